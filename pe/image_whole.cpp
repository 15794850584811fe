#include "pe/image_whole.h"

#include <cstdint>

namespace {

std::uint32_t little(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// The image checksum: 16-bit words summed with their carries folded in, the checksum's own
// field left out, plus the file's length.
std::uint32_t imageChecksum(std::string_view bytes, std::size_t field) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 2) {
        if (at >= field && at < field + 4) continue;
        sum += at + 1 < bytes.size() ? little(bytes, at, 2) : little(bytes, at, 1);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + bytes.size());
}

}  // namespace

std::string whyImageCutShort(std::string_view bytes) {
    if (bytes.size() < 0x40 || bytes.substr(0, 2) != "MZ") return {};
    const std::size_t header = little(bytes, 0x3C, 4);
    constexpr std::size_t kFileHeader = 24;  // "PE\0\0" and the file header
    if (header > bytes.size() || bytes.size() - header < kFileHeader) return "its headers end past the end of the file";
    if (bytes.substr(header, 4) != std::string_view("PE\0\0", 4)) return {};
    const std::size_t sections = little(bytes, header + 6, 2);
    const std::size_t optional = little(bytes, header + 20, 2);
    const std::size_t table = header + kFileHeader + optional;
    constexpr std::size_t kSection = 40;
    if (table > bytes.size() || (bytes.size() - table) / kSection < sections)
        return "its headers end past the end of the file";
    for (std::size_t i = 0; i < sections; ++i) {
        const std::size_t at = table + i * kSection;
        const std::uint64_t size = little(bytes, at + 16, 4), start = little(bytes, at + 20, 4);
        if (size > 0 && start + size > bytes.size())
            return "its sections end at byte " + std::to_string(start + size) + ", past the end of the file (" +
                   std::to_string(bytes.size()) + " bytes)";
    }
    const std::size_t field = header + kFileHeader + 64;
    if (optional >= 68 && field + 4 <= bytes.size()) {
        const std::uint32_t written = little(bytes, field, 4);
        if (written != 0 && written != imageChecksum(bytes, field)) return "its checksum does not hold";
    }
    return {};
}
