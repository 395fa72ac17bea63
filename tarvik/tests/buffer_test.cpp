// The spilling buffer that holds names and chain lines of any length: a
// random sequence of the builders' operations against a plain string.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "buffer.h"

namespace tarvik::test {
namespace {

std::string Content(const SpillBuf& b, std::size_t i) {
    std::string s;
    b.forEach(i, [&](const char* bytes, std::size_t n) { s.append(bytes, n); });
    return s;
}

TEST(SpillBuf, RandomOperationsKeepTheWholeString) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> op(0, 99), byte(1, 255);
    std::uniform_int_distribution<std::size_t> shortLen(0, 40), longLen(0, 3u << 20);
    SpillBuf b(64);
    std::size_t i = 0;
    std::string model;
    bool spilledOnce = false;
    for (int step = 0; step < 4000; ++step) {
        const int what = op(rng);
        if (what < 60) {  // one byte through room, as Append does
            const char c = static_cast<char>(byte(rng));
            b.room(i, 1);
            b.p[i++] = c;
            model += c;
        } else if (what < 90 || what == 99) {  // a run, now and then a huge one
            std::string run(what == 99 ? longLen(rng) : shortLen(rng), '\0');
            for (char& c : run) c = static_cast<char>(byte(rng));
            b.append(i, run.data(), run.size());
            model += run;
        } else if (what < 96) {  // the trimmed end: drop a trailing pair in place
            if (model.size() >= 2 && i >= 2) {
                ASSERT_EQ(b.p[i - 2], model[model.size() - 2]);
                i -= 2;
                model.resize(model.size() - 2);
            }
        } else {
            b.clear();
            i = 0;
            model.clear();
        }
        ASSERT_LE(i + SpillBuf::kSlack, b.cap);
        ASSERT_LE(b.cap, 2 * SpillBuf::kMemoryLimit) << "memory stays bounded";
        spilledOnce = spilledOnce || b.spilled > 0;
        if (step % 97 == 0 || what >= 96) {
            ASSERT_TRUE(Content(b, i) == model) << "step " << step;
        }
    }
    EXPECT_TRUE(spilledOnce);
    EXPECT_TRUE(Content(b, i) == model);
}

}  // namespace
}  // namespace tarvik::test
