// Helpers shared by the index tests: keys in the stored forms the engine takes, whole-file bytes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "index/btree_file.h"
#include "support/scratch_dir.h"

namespace vel::index_testing {

using ScratchDir = testing_support::ScratchDirectory;

// Files that tests fill and throw away need not wait for the disk.
inline index::OpenOptions noSync()
{
    index::OpenOptions o;
    o.sync = false;
    return o;
}

inline std::vector<uint8_t> textKey(const std::string& text)
{
    std::vector<uint8_t> k(text.begin(), text.end());
    k.push_back(0);
    return k;
}

inline std::vector<uint8_t> countedKey(const std::string& bytes)
{
    std::vector<uint8_t> k(bytes.size() + 1, static_cast<uint8_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), k.begin() + 1);
    return k;
}

inline std::vector<uint8_t> intKey(int32_t n)
{
    std::vector<uint8_t> k(4);
    std::memcpy(k.data(), &n, 4);
    return k;
}

inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string randomText(std::mt19937& rng, int minLength, int maxLength, const char* alphabet)
{
    std::uniform_int_distribution<int> length(minLength, maxLength);
    std::size_t letters = std::strlen(alphabet);
    std::string s(static_cast<std::size_t>(length(rng)), 'a');
    for (char& c : s)
        c = alphabet[rng() % letters];
    return s;
}

} // namespace vel::index_testing
