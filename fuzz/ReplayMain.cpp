// Replays a seed corpus through a fuzz target without libFuzzer: every seed as it is, then a
// fixed series of mutations of the seeds (byte flips, insertions, deletions, truncations,
// repeated runs), the same on every run so that a failure can be reproduced.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Random {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : std::size_t(next() % n); }
};

Bytes mutate(const Bytes& seed, Random& random) {
    Bytes b = seed;
    const int edits = 1 + int(random.below(4));
    for (int e = 0; e < edits; ++e) {
        switch (random.below(6)) {
            case 0:  // flip a byte
                if (!b.empty())
                    b[random.below(b.size())] ^= std::uint8_t(1u << random.below(8));
                break;
            case 1:  // an interesting value
                if (!b.empty()) {
                    static const std::uint8_t values[] = {0, 1, 0x7F, 0x80, 0xFF, '<', '>', '"'};
                    b[random.below(b.size())] = values[random.below(sizeof values)];
                }
                break;
            case 2:  // insert bytes
                b.insert(b.begin() + std::ptrdiff_t(random.below(b.size() + 1)),
                         random.below(8) + 1, std::uint8_t(random.next()));
                break;
            case 3:  // delete a run
                if (!b.empty()) {
                    const std::size_t at = random.below(b.size());
                    const std::size_t n = std::min(b.size() - at, random.below(16) + 1);
                    b.erase(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + n));
                }
                break;
            case 4:  // truncate
                b.resize(random.below(b.size() + 1));
                break;
            case 5:  // repeat a run
                if (!b.empty()) {
                    const std::size_t at = random.below(b.size());
                    const std::size_t n = std::min(b.size() - at, random.below(32) + 1);
                    const Bytes run(b.begin() + std::ptrdiff_t(at),
                                    b.begin() + std::ptrdiff_t(at + n));
                    b.insert(b.begin() + std::ptrdiff_t(random.below(b.size() + 1)), run.begin(),
                             run.end());
                }
                break;
        }
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Bytes> seeds{Bytes{}};
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        const std::filesystem::path root(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(root, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(root, ec))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(root, ec)) {
            files.push_back(root);
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    for (const Bytes& seed : seeds)
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
    Random random;
    constexpr int kMutations = 20000;
    for (int i = 0; i < kMutations; ++i) {
        const Bytes input = mutate(seeds[random.below(seeds.size())], random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu seeds and %d mutations replayed\n", seeds.size(), kMutations);
    return 0;
}
