// What the fuzz targets share: the entry points that the fuzzing engine (or
// the replay program) calls, and the check that stops at a disagreement.
#ifndef FUZZ_FUZZ_CHECK_H
#define FUZZ_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

// A broken expectation is a crash to the fuzzing engine: it keeps the input.
#define FUZZ_CHECK(condition)                                                           \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                               \
        }                                                                               \
    } while (0)

// A temporary file that holds each input in turn, for targets that read
// files; removed when the process ends.
class InputFile {
public:
    explicit InputFile(const char* prefix) {
        std::string name = std::string("/tmp/") + prefix + "-XXXXXX";
        const int fd = mkstemp(name.data());
        FUZZ_CHECK(fd >= 0);
        close(fd);
        path() = name;
        std::atexit([] { unlink(path().c_str()); });
    }
    // Writes the input into the file.
    static void Write(const std::uint8_t* data, std::size_t size) {
        std::FILE* out = std::fopen(path().c_str(), "wb");
        FUZZ_CHECK(out != nullptr);
        FUZZ_CHECK(std::fwrite(data, 1, size, out) == size);
        FUZZ_CHECK(std::fclose(out) == 0);
    }
    static std::string& path() {
        static std::string name;
        return name;
    }
};

#endif
