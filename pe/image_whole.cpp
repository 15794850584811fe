#include "pe/image_whole.h"

#include <cstdint>

#include "pe/pe_image.h"

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
    const pe::Headers headers = pe::readHeaders(bytes);
    if (!headers.isMz) return {};
    const char* pastTheEnd = "its headers end past the end of the file";
    constexpr std::size_t kFileHeader = 24;  // "PE\0\0" and the file header
    if (headers.peHeader > bytes.size() || bytes.size() - headers.peHeader < kFileHeader) return pastTheEnd;
    if (!headers.isPeSignature) return {};
    if (headers.optionalHeader + headers.optionalSize > bytes.size() ||
        headers.sections.size() < headers.sectionCount)
        return pastTheEnd;
    for (const pe::Section& section : headers.sections) {
        const std::uint64_t end = std::uint64_t{section.rawOffset} + section.rawSize;
        if (section.rawSize > 0 && end > bytes.size())
            return "its sections end at byte " + std::to_string(end) + ", past the end of the file (" +
                   std::to_string(bytes.size()) + " bytes)";
    }
    const std::size_t field = headers.optionalHeader + 64;
    if (headers.optionalSize >= 68 && field + 4 <= bytes.size()) {
        const std::uint32_t written = little(bytes, field, 4);
        if (written != 0 && written != imageChecksum(bytes, field)) return "its checksum does not hold";
    }
    return {};
}
