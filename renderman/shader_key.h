#pragma once
// The lookup key of a shader file name: the name made absolute against the
// current directory and normalised lexically
// (std::filesystem::absolute(name).lexically_normal()); the name as given
// when that fails.

#include <string>
#include <string_view>

// The key, remembered per thread for the last name (and, for a relative
// name, the current directory it was resolved in), so that a renderer calling
// with the same name sample after sample allocates nothing. The view stays
// valid until the thread's next call; scratch holds keys too long to
// remember.
std::string_view CachedShaderKey(const char* name, std::string& scratch);
