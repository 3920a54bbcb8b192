// A wave file read from disk, for a platform that plays the samples itself.
#include "wave.h"

#include <filesystem>
#include <fstream>

namespace ui::sound {

std::optional<Wave> readWave(const std::string &path) {
    std::error_code ec;
    const std::filesystem::path p(path);
    if (!std::filesystem::is_regular_file(p, ec)) return std::nullopt;
    const auto size = std::filesystem::file_size(p, ec);
    if (ec || size == 0 || size > std::uintmax_t(MaxFileBytes)) return std::nullopt;
    std::ifstream f(p, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::size_t(size) + 1);
    f.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(f.gcount()));
    if (bytes.empty() || bytes.size() > std::size_t(MaxFileBytes)) return std::nullopt; // grew meanwhile
    return parseWave(bytes);
}

} // namespace ui::sound
