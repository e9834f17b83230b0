// The article search's query language on arbitrary bytes, over a word source that answers every
// word with articles of its own: the hits must come sorted, each once, and name articles that
// exist; the rich-text word splitter must give only non-empty words of letters and digits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "title/search_query.h"

namespace {

constexpr int32_t kArticles = 64;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Each word names the articles its bytes pick; a prefix, those of the prefix and of one word more.
class HashedWords final : public vel::WordSource {
public:
    vel::ArticleNumbers exact(const std::string& word) const override
    {
        check(!word.empty() && word.size() <= 240); // the index's key limit
        return hashed(word);
    }
    vel::ArticleNumbers prefixed(const std::string& prefix) const override
    {
        check(!prefix.empty() && prefix.size() <= 240);
        return vel::mergeArticles(hashed(prefix), hashed(prefix + "a"));
    }

private:
    static vel::ArticleNumbers hashed(const std::string& word)
    {
        vel::ArticleNumbers out;
        uint32_t hash = 2166136261u;
        for (char c : word)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        for (int32_t n = 0; n < kArticles; ++n)
            if ((hash >> (n % 29)) & 1u && n % 3 != 0)
                out.push_back(n);
        return out;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vel::ArticleNumbers hits = vel::runQuery(bytes, HashedWords(), kArticles);
    for (std::size_t i = 0; i < hits.size(); ++i) {
        check(hits[i] >= 0 && hits[i] < kArticles);
        check(i == 0 || hits[i - 1] < hits[i]);
    }
    vel::forEachWord(vel::richTextWords(bytes), [](const std::string& word) {
        check(!word.empty() && word.size() <= 240 && vel::foldWord(word) == word);
    });
    return 0;
}
