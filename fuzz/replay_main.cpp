// Runs a fuzz target's entry point once per file, without the fuzzing engine:
// each target's regression test replays its seed corpus and every input that
// once broke it, in the ordinary and the sanitizer builds.
//
//   <target>_replay FILE_OR_FOLDER...
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_check.h"

namespace {

namespace fs = std::filesystem;

bool Replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int k = 1; k < argc; ++k) {
        std::vector<fs::path> files;
        std::error_code error;
        if (!fs::exists(argv[k], error)) {
            std::printf("%s: none\n", argv[k]);  // a target without regression inputs yet
            continue;
        }
        if (fs::is_directory(argv[k], error)) {
            for (const auto& entry : fs::directory_iterator(argv[k]))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(argv[k]);
        }
        for (const fs::path& file : files) {
            if (!Replay(file)) return 1;
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
