// SPDX-License-Identifier: Apache-2.0
/* Put in front of Qt with LD_PRELOAD, records the text of every label that
 * the program makes or changes, so that a test can read what a message
 * dialog said without looking at the screen. The texts go, in UTF-8 and
 * each followed by a NUL byte, to the file named by KEVO_LABEL_LOG.
 *
 * It replaces two functions of Qt 6's widget library, QLabel's constructor
 * with a text and QLabel::setText, and hands every call on to Qt. A QString
 * of Qt 6 is a data pointer, a pointer to its UTF-16 code units and their
 * count; only those two are read. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

struct kevo_qstring {
    void* data;
    const uint16_t* units;
    ptrdiff_t size;
};

static void record(const void* text) {
    static int fd = -2;
    if (fd == -2) {
        const char* path = getenv("KEVO_LABEL_LOG");
        fd = path != NULL ? open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644) : -1;
    }
    if (fd < 0 || text == NULL)
        return;
    const struct kevo_qstring* string = (const struct kevo_qstring*)text;
    if (string->units == NULL || string->size <= 0) {
        (void)!write(fd, "", 1);
        return;
    }
    char* out = malloc((size_t)string->size * 3 + 1);
    if (out == NULL)
        return;
    size_t length = 0;
    for (ptrdiff_t i = 0; i < string->size; ++i) {
        uint32_t code = string->units[i];
        if (code >= 0xd800 && code < 0xdc00 && i + 1 < string->size &&
            string->units[i + 1] >= 0xdc00 && string->units[i + 1] < 0xe000) {
            code = 0x10000 + ((code - 0xd800) << 10) + (string->units[i + 1] - 0xdc00);
            ++i;
        }
        if (code < 0x80) {
            out[length++] = (char)code;
        } else if (code < 0x800) {
            out[length++] = (char)(0xc0 | (code >> 6));
            out[length++] = (char)(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            out[length++] = (char)(0xe0 | (code >> 12));
            out[length++] = (char)(0x80 | ((code >> 6) & 0x3f));
            out[length++] = (char)(0x80 | (code & 0x3f));
        } else {
            out[length++] = (char)(0xf0 | (code >> 18));
            out[length++] = (char)(0x80 | ((code >> 12) & 0x3f));
            out[length++] = (char)(0x80 | ((code >> 6) & 0x3f));
            out[length++] = (char)(0x80 | (code & 0x3f));
        }
    }
    out[length++] = '\0';
    (void)!write(fd, out, length);
    free(out);
}

static void* next_symbol(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == NULL) {
        fprintf(stderr, "labeltap: %s not found\n", name);
        abort();
    }
    return symbol;
}

#define LABEL_WITH_TEXT "_ZN6QLabelC1ERK7QStringP7QWidget6QFlagsIN2Qt10WindowTypeEE"
#define LABEL_SET_TEXT "_ZN6QLabel7setTextERK7QString"

/* QLabel::QLabel(const QString&, QWidget*, Qt::WindowFlags): the flags are
 * a plain 32-bit value passed in a register. */
void kevo_label_with_text(void* self, const void* text, void* parent,
                          unsigned flags) __asm__(LABEL_WITH_TEXT);
void kevo_label_with_text(void* self, const void* text, void* parent, unsigned flags) {
    typedef void (*real_fn)(void*, const void*, void*, unsigned);
    static real_fn real;
    if (real == NULL)
        real = (real_fn)next_symbol(LABEL_WITH_TEXT);
    record(text);
    real(self, text, parent, flags);
}

void kevo_label_set_text(void* self, const void* text) __asm__(LABEL_SET_TEXT);
void kevo_label_set_text(void* self, const void* text) {
    typedef void (*real_fn)(void*, const void*);
    static real_fn real;
    if (real == NULL)
        real = (real_fn)next_symbol(LABEL_SET_TEXT);
    record(text);
    real(self, text);
}
