/* An image loader for binary Netpbm pictures with 8 bits per sample:
 * PPM ("P6", red green blue) and PAM ("P7" with DEPTH 3, or DEPTH 4 with
 * alpha). Build it as a shared object and put it in $QMERE_HOME/Image/. */
#include <stdio.h>
#include <string.h>

#include <qm_plugin.h>

typedef struct Header {
    int32_t width;
    int32_t height;
    int32_t depth; /* bytes per texel in the file: 3, or 4 with alpha */
} Header;

/* The size the last getInfo reported. The engine calls getInfo and then load
 * for the same file, one image at a time, and sizes load's buffers from what
 * getInfo said; a file that changed in between must not make load write more. */
static Header reported;

static int IsSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/* One header word: skips white space and '#' comments, reads up to the next
 * white space and consumes that one character. 1 when a whole word was read. */
static int ReadWord(FILE* file, char* word, size_t size)
{
    size_t n = 0;
    int c = fgetc(file);
    while (IsSpace(c) || c == '#') {
        if (c == '#') {
            while (c != '\n' && c != EOF) c = fgetc(file);
        }
        c = fgetc(file);
    }
    while (c != EOF && !IsSpace(c)) {
        if (n + 1 >= size) break; /* longer than any word of a valid header */
        word[n++] = (char)c;
        c = fgetc(file);
    }
    word[n] = '\0';
    return n > 0 && (c == EOF || IsSpace(c));
}

/* A decimal number of at most nine digits. */
static int ReadNumber(FILE* file, int32_t* value)
{
    char word[16];
    size_t i;
    if (!ReadWord(file, word, sizeof word) || strlen(word) > 9) return 0;
    *value = 0;
    for (i = 0; word[i] != '\0'; ++i) {
        if (word[i] < '0' || word[i] > '9') return 0;
        *value = *value * 10 + (word[i] - '0');
    }
    return 1;
}

/* Reads the header; the file is left at the first pixel byte. */
static int ReadHeader(FILE* file, Header* header)
{
    char word[32];
    int32_t maxval = 0;
    header->width = header->height = header->depth = 0;
    if (!ReadWord(file, word, sizeof word)) return 0;
    if (strcmp(word, "P6") == 0) {
        header->depth = 3;
        if (!ReadNumber(file, &header->width) || !ReadNumber(file, &header->height) ||
            !ReadNumber(file, &maxval))
            return 0;
    } else if (strcmp(word, "P7") == 0) {
        /* Lines of a key and a value, up to ENDHDR. */
        while (ReadWord(file, word, sizeof word) && strcmp(word, "ENDHDR") != 0) {
            int ok = 0;
            if (strcmp(word, "WIDTH") == 0) {
                ok = ReadNumber(file, &header->width);
            } else if (strcmp(word, "HEIGHT") == 0) {
                ok = ReadNumber(file, &header->height);
            } else if (strcmp(word, "DEPTH") == 0) {
                ok = ReadNumber(file, &header->depth);
            } else if (strcmp(word, "MAXVAL") == 0) {
                ok = ReadNumber(file, &maxval);
            } else if (strcmp(word, "TUPLTYPE") == 0) {
                ok = ReadWord(file, word, sizeof word);
            }
            if (!ok) return 0;
        }
        if (strcmp(word, "ENDHDR") != 0) return 0;
    } else {
        return 0;
    }
    return header->width > 0 && header->height > 0 && maxval == 255 &&
           (header->depth == 3 || header->depth == 4);
}

static int32_t NetpbmInfo(const char* file, int32_t* width, int32_t* height, int32_t* hasAlpha)
{
    Header header;
    int ok;
    FILE* f = fopen(file, "rb");
    if (f == NULL) return 0;
    ok = ReadHeader(f, &header);
    fclose(f);
    if (!ok) return 0;
    reported = header;
    *width = header.width;
    *height = header.height;
    if (hasAlpha != NULL) *hasAlpha = header.depth == 4;
    return 1;
}

static int32_t NetpbmLoad(const char* file, uint8_t* rgb, uint8_t* alpha)
{
    Header header;
    uint8_t texel[4];
    size_t i = 0, count = 0;
    FILE* f = fopen(file, "rb");
    if (f == NULL) return 0;
    if (ReadHeader(f, &header) && header.width == reported.width &&
        header.height == reported.height) {
        /* Rows top first, as the file stores them: 3 bytes per texel in rgb,
         * one in alpha (when the engine asked for alpha). */
        count = (size_t)header.width * (size_t)header.height;
        for (i = 0; i < count; ++i) {
            if (fread(texel, 1, (size_t)header.depth, f) != (size_t)header.depth) break;
            memcpy(rgb + 3 * i, texel, 3);
            if (alpha != NULL) alpha[i] = header.depth == 4 ? texel[3] : 255;
        }
    }
    fclose(f);
    return count > 0 && i == count;
}

static int32_t ActivateNetpbm(void* info)
{
    ImagePluginInfo* loader = (ImagePluginInfo*)info;
    loader->extensions = "ppm\npam";
    loader->getInfo = &NetpbmInfo;
    loader->load = &NetpbmLoad;
    return 1;
}

const PluginEntry _n_activate_table[] = {
    {QM_PLUGIN_IMAGE_CLASS, &ActivateNetpbm},
    {NULL, NULL},
};
