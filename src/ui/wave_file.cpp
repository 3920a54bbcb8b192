// Plain files read for a backend whose paths are the C library's.
#include "backend.h"

#include <filesystem>
#include <fstream>

namespace ui {

std::optional<std::vector<std::uint8_t>> readPlainFile(const String &path, std::int64_t limit) {
    std::error_code ec;
    const std::filesystem::path p(path);
    if (!std::filesystem::is_regular_file(p, ec)) return std::nullopt;
    const auto size = std::filesystem::file_size(p, ec);
    if (ec || size == 0 || size > std::uintmax_t(limit)) return std::nullopt;
    std::ifstream f(p, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::size_t(size) + 1);
    f.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(f.gcount()));
    if (bytes.empty() || bytes.size() > std::size_t(limit)) return std::nullopt; // grew meanwhile
    return bytes;
}

} // namespace ui
