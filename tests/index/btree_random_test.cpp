// Long random sequences of operations held against std::map, for several key types and both byte
// orders, with records from empty to the chunk limit and keys that share long prefixes.
#include "index/btree_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "index/page_cache.h"
#include "index_test_support.h"

namespace vel::index {
namespace {

using index_testing::ScratchDir;

struct KeyCase {
    const char* name;
    int keyType;
    int byteOrder;
    // A random key in the engine's stored form, and the model's ordering of two such keys.
    std::function<std::vector<uint8_t>(std::mt19937&)> makeKey;
    std::function<bool(const std::vector<uint8_t>&, const std::vector<uint8_t>&)> less;
};

std::string prefixed(std::mt19937& rng)
{
    // Long shared prefixes force comparisons deep into the keys and long separators.
    static const std::string stem(150, 'p');
    std::string s = stem.substr(0, rng() % 4 == 0 ? 150 : rng() % 20);
    return s + index_testing::randomText(rng, 0, 12, "abcXYZ_09");
}

int lowerAscii(int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

std::vector<KeyCase> keyCases()
{
    auto textLess = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        return std::string(a.begin(), a.end() - 1) < std::string(b.begin(), b.end() - 1);
    };
    auto caselessLess = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        for (size_t i = 0;; ++i) {
            int x = lowerAscii(a[i]), y = lowerAscii(b[i]);
            if (x != y || x == 0)
                return x < y;
        }
    };
    auto countedLess = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        return std::string(a.begin() + 1, a.end()) < std::string(b.begin() + 1, b.end());
    };
    auto intLess = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        int32_t x, y;
        std::memcpy(&x, a.data(), 4);
        std::memcpy(&y, b.data(), 4);
        return x < y;
    };
    auto textKey = [](std::mt19937& rng) { return index_testing::textKey(prefixed(rng)); };
    auto counted = [](std::mt19937& rng) {
        std::string s = prefixed(rng);
        s[rng() % (s.size() + 1) % (s.size() ? s.size() : 1)] = '\0';
        return index_testing::countedKey(s.empty() ? std::string(1, '\0') : s);
    };
    auto intKey = [](std::mt19937& rng) {
        int32_t n = static_cast<int32_t>(rng());
        if (rng() % 2)
            n %= 300;
        return index_testing::intKey(n);
    };
    return {
        {"text little-endian", kText, 1, textKey, textLess},
        {"text big-endian", kText, 2, textKey, textLess},
        {"caseless text", kTextNoCase, 3, textKey, caselessLess},
        {"counted bytes big-endian", kCounted, 2, counted, countedLess},
        {"int32 little-endian", kInt32, 1, intKey, intLess},
        {"int32 big-endian", kInt32Difference, 2, intKey, intLess},
    };
}

std::string randomData(std::mt19937& rng, int chunkSize)
{
    int limit = chunkSize * kMaxChunks;
    int pick = static_cast<int>(rng() % 10);
    int length = pick == 0 ? 0 : pick == 1 ? limit : pick == 2 ? static_cast<int>(rng() % limit) : static_cast<int>(rng() % 300);
    std::string s(static_cast<size_t>(length), '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

class BtreeRandomTest : public ::testing::TestWithParam<int> {};

TEST_P(BtreeRandomTest, MatchesAnOrderedMap)
{
    KeyCase kc = keyCases()[static_cast<size_t>(GetParam())];
    SCOPED_TRACE(kc.name);
    ScratchDir dir;
    std::string path = dir / "r.idx";
    KeyDescriptor descriptors[] = {{1, kc.keyType}, {0, 0}};
    using Model = std::map<std::vector<uint8_t>, std::string, decltype(kc.less)>;
    Model model(kc.less);
    std::mt19937 rng(1234u + static_cast<unsigned>(GetParam()));
    // Half the cases run in a cache of eight pages, so pages leave it in the middle of every write.
    PageCache cache(GetParam() % 2 ? 8 : PageCache::kDefaultCapacity);
    BtreeFile f(cache);
    ASSERT_EQ(f.create(path, kc.byteOrder, descriptors, index_testing::noSync()), 0);
    std::vector<char> buffer(256 * kMaxChunks);
    auto size = static_cast<int32_t>(buffer.size());

    for (int step = 0; step < 2500; ++step) {
        int op = static_cast<int>(rng() % 100);
        std::vector<uint8_t> key = kc.makeKey(rng);
        if (op < 2 && !model.empty()) {
            ASSERT_EQ(f.close(), 0);
            ASSERT_EQ(f.open(path, 2, descriptors, index_testing::noSync()), 0);
        } else if (op < 45) {
            int chunkSize = kChunkBase - static_cast<int>(key.size());
            std::string data = randomData(rng, chunkSize);
            ASSERT_EQ(f.writeRecord(1, key, data.data(), static_cast<int32_t>(data.size())), 0) << step;
            model[key] = data;
        } else if (op < 55 && !model.empty()) {
            auto it = model.begin();
            std::advance(it, static_cast<long>(rng() % model.size()));
            ASSERT_EQ(f.find(1, it->first, 0, nullptr, 0), kFoundLater);
            ASSERT_EQ(f.deleteRecord(1, it->first, f.recordNumber()), 0);
            model.erase(it);
        } else if (op < 85) {
            // Look up a stored key or a random one; the answer and the key left behind must agree.
            if (op < 70 && !model.empty()) {
                auto it = model.begin();
                std::advance(it, static_cast<long>(rng() % model.size()));
                key = it->first;
            }
            int rc = f.find(1, key, 0, buffer.data(), size);
            auto it = model.lower_bound(key);
            if (it == model.end()) {
                ASSERT_EQ(rc, kNoGreater) << step;
                continue;
            }
            bool equal = !kc.less(key, it->first);
            ASSERT_EQ(rc, equal ? kFoundLater : kFoundGreater) << step;
            std::vector<uint8_t> found(f.key().begin(), f.key().end());
            ASSERT_FALSE(kc.less(found, it->first) || kc.less(it->first, found)) << step;
            ASSERT_EQ(std::string(buffer.data(), static_cast<size_t>(f.dataLength())), it->second) << step;
        } else {
            int rc = f.find(1, key, 0, buffer.data(), size);
            auto it = model.lower_bound(key);
            for (int n = 0; n < 20 && it != model.end(); ++n, ++it) {
                ASSERT_GE(rc, 0) << step;
                std::vector<uint8_t> found(f.key().begin(), f.key().end());
                ASSERT_FALSE(kc.less(found, it->first) || kc.less(it->first, found)) << step;
                ASSERT_EQ(std::string(buffer.data(), static_cast<size_t>(f.dataLength())), it->second);
                rc = f.next(1, buffer.data(), size);
            }
            if (it == model.end()) {
                ASSERT_EQ(rc, kNoGreater) << step;
            }
        }
    }
    ASSERT_EQ(f.verify(), 0);
    ASSERT_EQ(f.close(), 0);

    ASSERT_EQ(f.open(path, 1, descriptors), 0);
    ASSERT_EQ(f.verify(), 0);
    auto it = model.begin();
    int rc = model.empty() ? kNoGreater : f.find(1, it->first, 0, buffer.data(), size);
    size_t walked = 0;
    while (rc >= 0 && it != model.end()) {
        ASSERT_EQ(std::string(buffer.data(), static_cast<size_t>(f.dataLength())), it->second);
        ++walked;
        ++it;
        rc = f.next(1, buffer.data(), size);
    }
    EXPECT_EQ(walked, model.size());
    EXPECT_EQ(rc, kNoGreater);
}

INSTANTIATE_TEST_SUITE_P(KeyTypes, BtreeRandomTest, ::testing::Range(0, 6));

} // namespace
} // namespace vel::index
