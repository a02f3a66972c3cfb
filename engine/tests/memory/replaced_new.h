#pragma once
// Every global operator new and delete of a test program that must see, or
// fail, each allocation the engine makes. Included by one file of the
// program, which defines the two functions below:
//   AllocateOrNull: the memory, or null to make the allocation fail;
//   Release: takes back what AllocateOrNull gave, and null.

#include <cstddef>
#include <new>

void* AllocateOrNull(std::size_t size) noexcept;
void Release(void* p) noexcept;

void* operator new(std::size_t size)
{
    void* p = AllocateOrNull(size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(size);
}
void operator delete(void* p) noexcept
{
    Release(p);
}
void operator delete[](void* p) noexcept
{
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
