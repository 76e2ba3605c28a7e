// Replays saved fuzzer inputs (seeds and past findings) without libFuzzer, so
// that the tests run them with the ordinary compiler and sanitizers.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (!std::filesystem::exists(p))
            continue;
        auto run = [&](const std::filesystem::path& f) {
            std::ifstream in(f, std::ios::binary);
            const std::string s((std::istreambuf_iterator<char>(in)), {});
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
            ++count;
        };
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file())
                    run(e.path());
        } else {
            run(p);
        }
    }
    std::printf("replayed %d inputs\n", count);
    // Nothing replayed is a wrong folder, not a pass.
    return count > 0 ? 0 : 1;
}
