// How deep the operations that follow collections into collections (printing, ordering) may go: a
// list that holds itself would otherwise recurse until the stack is gone. The first level past the
// limit reports once; from then on every level of that operation answers at once, so even a list that
// holds itself many times over unwinds in linear time.
#pragma once

namespace vel {

// Deeper than any data the system writes.
constexpr int kNestingLimit = 512;

class NestingGuard {
public:
    // verb names the operation in the report: "Cannot <verb> values nested more than 512 deep".
    explicit NestingGuard(const char* verb);
    ~NestingGuard();
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

    // True once the operation this level belongs to went too deep: the caller gives up at once.
    static bool abandoned() { return abandoned_; }

private:
    static inline int depth_ = 0;
    static inline bool abandoned_ = false;
};

} // namespace vel
