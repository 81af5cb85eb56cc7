// SPDX-License-Identifier: Apache-2.0
#pragma once

// Reads a fuzzer's bytes as a little program of choices. Past the end every
// read gives zeros and empty texts, so any input is a complete program and
// a short one a short program.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace kevo::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    std::size_t Left() const { return size_ - pos_; }

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

    std::uint16_t Word() {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }

    // Up to size bytes, fewer at the end of the input.
    std::string Bytes(std::size_t size) {
        const std::size_t take = size < Left() ? size : Left();
        std::string text(reinterpret_cast<const char*>(data_ + pos_), take);
        pos_ += take;
        return text;
    }

    // A text whose length comes first: one byte, or, when its top bit is
    // set, the low seven bits times 32 (up to 4064 bytes).
    std::string Text() {
        const std::uint8_t length = Byte();
        return Bytes((length & 0x80) != 0 ? std::size_t{length & 0x7fu} * 32 : length);
    }

    // Everything that is left.
    std::string Rest() { return Bytes(Left()); }

    // A whole number that tends to lie near the edges that matter to
    // drivers' answers: small counts, -1, 0, and very large values.
    int Answer() {
        const std::uint8_t choice = Byte();
        if (choice < 200)
            return static_cast<int>(choice % 40) - 3;
        switch (choice % 8) {
        case 0:
            return -1;
        case 1:
            return 65535;
        case 2:
            return 65536;
        case 3:
            return 65537;
        case 4:
            return 0x7fffffff;
        case 5:
            return -0x7fffffff - 1;
        case 6:
            return static_cast<int>(Word());
        default:
            return -static_cast<int>(Word());
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A broken invariant: says which and stops the run, so that libFuzzer keeps
// the input as a crash.
[[noreturn]] inline void Broken(std::string_view what) {
    std::fprintf(stderr, "broken invariant: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void Check(bool holds, std::string_view what) {
    if (!holds)
        Broken(what);
}

} // namespace kevo::fuzz
