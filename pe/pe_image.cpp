#include "pe/pe_image.h"

#include <algorithm>
#include <cstdio>

#include "platform/profile_text.h"
#include "platform/utf16_text.h"

namespace pe {

namespace {

constexpr std::uint32_t kRtVersion = 16;

class Bytes {
public:
    explicit Bytes(std::string_view data) : data_(data) {}

    bool fits(std::size_t at, std::size_t size) const { return at <= data_.size() && size <= data_.size() - at; }
    std::uint16_t u16(std::size_t at) const { return static_cast<std::uint16_t>(unsigned_(at, 2)); }
    std::uint32_t u32(std::size_t at) const { return static_cast<std::uint32_t>(unsigned_(at, 4)); }
    std::uint64_t u64(std::size_t at) const { return unsigned_(at, 8); }
    // A NUL-ended name; what lies outside the bytes reads as its end.
    std::string name(std::size_t at) const {
        std::string out;
        while (at < data_.size() && data_[at] != '\0' && out.size() < kLongestName) out += data_[at++];
        return out;
    }
    std::string_view all() const { return data_; }
    std::string_view view(std::size_t at, std::size_t size) const {
        if (!fits(at, 0)) return {};
        return data_.substr(at, std::min(size, data_.size() - at));
    }

private:
    // Little-endian; 0 where the bytes end.
    std::uint64_t unsigned_(std::size_t at, std::size_t size) const {
        if (!fits(at, size)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = size; i-- > 0;) value = value << 8 | static_cast<unsigned char>(data_[at + i]);
        return value;
    }
    std::string_view data_;
};

class Reader {
public:
    explicit Reader(std::string_view data) : bytes(data) {}

    Image read() {
        Image image;
        const Headers headers = readHeaders(bytes.all());
        if (!headers.isPeSignature) return image;
        image.machine = headers.machine;
        image.isDll = (headers.characteristics & 0x2000) != 0;
        const std::size_t optional = headers.optionalHeader;
        const std::uint16_t magic = bytes.u16(optional);
        if (magic != 0x10B && magic != 0x20B) return image;
        image.is64 = magic == 0x20B;
        const std::size_t directoryCountAt = optional + (image.is64 ? 108 : 92);
        if (!bytes.fits(directoryCountAt, 4)) return image;
        image.isPe = true;
        directories = optional + (image.is64 ? 112 : 96);
        directoryCount = std::min<std::uint32_t>(bytes.u32(directoryCountAt), 16);
        // The directories must lie within the optional header's stated size.
        const std::size_t optionalEnd = optional + headers.optionalSize;
        if (directories + 8 * directoryCount > optionalEnd)
            directoryCount =
                static_cast<std::uint32_t>(optionalEnd > directories ? (optionalEnd - directories) / 8 : 0);
        sections = headers.sections;
        is64 = image.is64;
        readExports(image);
        readImports(image);
        readVersion(image);
        return image;
    }

private:
    // Where the byte at `rva` lies in the file; none when no section holds it in the file.
    std::optional<std::size_t> offset(std::uint32_t rva) const {
        for (const Section& section : sections) {
            const std::uint32_t size = std::max(section.virtualSize, section.rawSize);
            if (rva < section.address || rva - section.address >= size) continue;
            const std::uint32_t into = rva - section.address;
            if (into >= section.rawSize) return std::nullopt;
            const std::size_t at = std::size_t{section.rawOffset} + into;
            return bytes.fits(at, 1) ? std::optional<std::size_t>(at) : std::nullopt;
        }
        // Before the first section: the headers, mapped as they lie in the file.
        const bool inHeaders = std::all_of(sections.begin(), sections.end(),
                                           [&](const Section& section) { return rva < section.rawOffset; });
        return inHeaders && bytes.fits(rva, 1) ? std::optional<std::size_t>(rva) : std::nullopt;
    }

    std::optional<std::size_t> directory(std::size_t index) const {
        if (index >= directoryCount) return std::nullopt;
        const std::uint32_t rva = bytes.u32(directories + 8 * index);
        if (rva == 0) return std::nullopt;
        return offset(rva);
    }

    std::string nameAt(std::uint32_t rva) const {
        const std::optional<std::size_t> at = offset(rva);
        return at ? bytes.name(*at) : std::string();
    }

    // Every name read, exports and imports together, counts against one budget: a damaged
    // table may point any number of entries at one long name, which would take gigabytes.
    bool admit(const std::string& name) {
        if (namesRead == kMostNames || name.size() > kMostNameCharacters - charactersRead) return false;
        ++namesRead;
        charactersRead += name.size();
        return true;
    }

    void readExports(Image& image) {
        const std::optional<std::size_t> table = directory(0);
        if (!table) return;
        const std::uint32_t count = std::min<std::uint32_t>(bytes.u32(*table + 24), kMostNames);
        const std::optional<std::size_t> names = offset(bytes.u32(*table + 32));
        for (std::uint32_t i = 0; names && i < count && bytes.fits(*names + 4 * std::size_t{i}, 4); ++i) {
            std::string name = nameAt(bytes.u32(*names + 4 * std::size_t{i}));
            if (!admit(name)) return;
            image.exports.push_back(std::move(name));
        }
    }

    void readImports(Image& image) {
        const std::optional<std::size_t> table = directory(1);
        if (!table) return;
        for (std::size_t i = 0, at = *table; i < kMostDlls && bytes.fits(at, 20); ++i, at += 20) {
            const std::uint32_t lookup = bytes.u32(at), name = bytes.u32(at + 12), bound = bytes.u32(at + 16);
            if (lookup == 0 && name == 0 && bound == 0) break;
            Import import{nameAt(name), {}};
            if (!admit(import.dll)) return;
            const std::optional<std::size_t> thunks = offset(lookup != 0 ? lookup : bound);
            const std::size_t width = is64 ? 8 : 4;
            const std::uint64_t byNumber = is64 ? std::uint64_t{1} << 63 : std::uint64_t{1} << 31;
            for (std::size_t n = 0; thunks && n < kMostNames && bytes.fits(*thunks + n * width, width); ++n) {
                const std::size_t thunkAt = *thunks + n * width;
                const std::uint64_t thunk = is64 ? bytes.u64(thunkAt) : bytes.u32(thunkAt);
                if (thunk == 0) break;
                std::string function = (thunk & byNumber) ? "#" + std::to_string(thunk & 0xFFFF)
                                                          : nameAt(static_cast<std::uint32_t>(thunk) + 2);  // after the hint
                if (!admit(function)) break;
                import.functions.push_back(std::move(function));
            }
            image.imports.push_back(std::move(import));
        }
    }

    // The first language of the first version resource, as bytes.
    std::string_view versionResource() const {
        const std::optional<std::size_t> root = directory(2);
        if (!root) return {};
        // Entries point into the resource section, counted from its start.
        std::size_t at = *root;
        bool isData = false;
        for (int level = 0; level < 3 && !isData; ++level) {
            const std::size_t named = bytes.u16(at + 12), numbered = bytes.u16(at + 14);
            std::optional<std::uint32_t> next;
            for (std::size_t i = 0; i < named + numbered && bytes.fits(at + 16 + 8 * i, 8); ++i) {
                const std::size_t entry = at + 16 + 8 * i;
                // The type must be the version's number; below it the first name and language do.
                if (level == 0 && (i < named || bytes.u32(entry) != kRtVersion)) continue;
                next = bytes.u32(entry + 4);
                break;
            }
            if (!next) return {};
            isData = (*next & 0x80000000u) == 0;
            at = *root + (*next & 0x7FFFFFFFu);
            if (!bytes.fits(at, 16)) return {};
            if (level < 2 && isData) return {};
        }
        if (!isData) return {};
        const std::optional<std::size_t> data = offset(bytes.u32(at));
        return data ? bytes.view(*data, bytes.u32(at + 4)) : std::string_view();
    }

    void readVersion(Image& image) const {
        const std::string_view resource = versionResource();
        const Bytes version(resource);
        const auto top = block(version, 0, resource.size());
        if (!top || top->key != "VS_VERSION_INFO") return;
        if (top->valueEnd - top->value >= 52 && version.u32(top->value) == 0xFEEF04BD) {
            const std::uint32_t high = version.u32(top->value + 8), low = version.u32(top->value + 12);
            image.fileVersion = std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
                                std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
        }
        for (auto info = block(version, top->children, top->end); info; info = block(version, info->end, top->end)) {
            if (info->key != "StringFileInfo") continue;
            const auto table = block(version, info->children, info->end);
            if (!table) return;
            for (auto text = block(version, table->children, table->end); text;
                 text = block(version, text->end, table->end)) {
                std::string value = utf16::toUtf8(version.view(text->value, text->valueEnd - text->value), false);
                value.erase(std::find(value.begin(), value.end(), '\0'), value.end());
                image.versionStrings.emplace(text->key, value);
            }
            return;
        }
    }

    // One node of the version resource's tree: length, value length, type, a UTF-16 key, its
    // value and its children, each at a 4-byte boundary.
    struct Block {
        std::string key;
        std::size_t value, valueEnd, children, end;
    };
    static std::optional<Block> block(const Bytes& data, std::size_t at, std::size_t limit) {
        at = (at + 3) & ~std::size_t{3};
        const std::size_t length = data.u16(at);
        if (length < 6 || at + length > limit || !data.fits(at, length)) return std::nullopt;
        Block out{{}, 0, 0, 0, at + length};
        std::size_t p = at + 6;
        for (; p + 1 < out.end && data.u16(p) != 0; p += 2)
            utf16::appendUtf8(out.key, data.u16(p));
        p = std::min(((p + 2) + 3) & ~std::size_t{3}, out.end);
        const std::size_t valueLength = data.u16(at + 2) * (data.u16(at + 4) == 1 ? 2u : 1u);
        out.value = p;
        out.valueEnd = std::min(p + valueLength, out.end);
        out.children = std::min((out.valueEnd + 3) & ~std::size_t{3}, out.end);
        return out;
    }

    Bytes bytes;
    std::vector<Section> sections;
    std::size_t directories = 0;
    std::uint32_t directoryCount = 0;
    bool is64 = false;
    std::size_t namesRead = 0;
    std::size_t charactersRead = 0;
};

using profile_text::sameName;

}  // namespace

Headers readHeaders(std::string_view data) {
    const Bytes bytes(data);
    Headers headers;
    if (!bytes.fits(0, 0x40) || bytes.u16(0) != 0x5A4D) return headers;  // "MZ"
    headers.isMz = true;
    headers.peHeader = bytes.u32(0x3C);
    const std::size_t header = headers.peHeader;
    if (!bytes.fits(header, 24) || bytes.u32(header) != 0x00004550) return headers;  // "PE\0\0"
    headers.isPeSignature = true;
    headers.machine = bytes.u16(header + 4);
    headers.sectionCount = bytes.u16(header + 6);
    headers.optionalSize = bytes.u16(header + 20);
    headers.characteristics = bytes.u16(header + 22);
    headers.optionalHeader = header + 24;
    for (std::size_t i = 0, at = headers.optionalHeader + headers.optionalSize;
         i < headers.sectionCount && bytes.fits(at, 40); ++i, at += 40)
        headers.sections.push_back({bytes.u32(at + 12), bytes.u32(at + 8), bytes.u32(at + 16), bytes.u32(at + 20)});
    return headers;
}

Image readImage(std::string_view bytes) { return Reader(bytes).read(); }

std::vector<std::string> importsFrom(const Image& image, std::string_view dll) {
    std::vector<std::string> out;
    for (const Import& import : image.imports) {
        if (sameName(import.dll, dll)) out.insert(out.end(), import.functions.begin(), import.functions.end());
    }
    return out;
}

bool NameOrder::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return profile_text::lowerAscii(x) < profile_text::lowerAscii(y);
    });
}

std::string versionText(const Image& image) {
    const auto found = image.versionStrings.find("FileVersion");
    const std::string_view text =
        found != image.versionStrings.end() ? profile_text::trim(found->second) : std::string_view();
    if (text.empty()) return image.fileVersion.value_or("");
    const auto digit = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    const auto blanks = [&](std::size_t at) {
        while (at < text.size() && text[at] == ' ') ++at;
        return at;
    };
    std::string out;
    for (std::size_t at = 0; digit(at);) {
        while (digit(at)) out += text[at++];
        const std::size_t separator = blanks(at);
        if (separator == text.size() || (text[separator] != '.' && text[separator] != ',')) break;
        at = blanks(separator + 1);
        if (digit(at)) out += '.';
    }
    if (out.empty()) out = text;
    if (out.size() > kLongestVersion) out = out.substr(0, kLongestVersion) + "...";
    return out;
}

std::string machineName(const Image& image) {
    switch (image.machine) {
        case kMachineX64: return "64-bit x64";
        case kMachineX86: return "32-bit x86";
        case kMachineArm64: return "ARM64";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "machine 0x%04X", image.machine);
            return text;
        }
    }
}

}  // namespace pe
