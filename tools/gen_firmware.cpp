// Writes the firmware image that the program carries, in raw form and as a DfuSe file.
//
// The raw image starts with a Cortex-M vector table, holds the firmware information block
// (product, name, revision, build details) in its first 2 KiB and is filled up with
// deterministic pseudo-random code bytes, so that every build carries the same image.

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t image_size = 807136;
constexpr std::uint32_t flash_base = 0x08000000;
constexpr std::size_t info_block_offset = 0x200;
constexpr std::size_t text_field = 32;

void put_u16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xFF);
}

void put_field(std::vector<std::uint8_t>& out, std::string const& text)
{
    std::vector<std::uint8_t> field(text_field, 0);
    for (std::size_t i = 0; i < text.size() && i < text_field - 1; ++i)
        field[i] = static_cast<std::uint8_t>(text[i]);
    out.insert(out.end(), field.begin(), field.end());
}

std::vector<std::uint8_t> info_block()
{
    static std::vector<std::pair<std::string, std::string>> const details = {
        {"Creation date", "2026-11-24"},
        {"Creation time", "14:32:07"},
        {"Git hash of FW", "8c1f0e5a93d2"},
        {"Git hash of PL", "4be7a09c1d58"},
        {"Git hash of IG", "e03d9b6f27a1"},
        {"Git hash of PL/IG", "71a5c2e8d9b0"},
        {"Git hash of L3", "2d96f4b1a7c3"},
        {"Git tag", ""},
        {"Firmware compiler version", "arm-none-eabi-gcc 12.2.1"},
    };
    std::vector<std::uint8_t> block;
    put_u32(block, 0x01234712); // start marker
    block.insert(block.end(), {0x04, 0xFF, 0xFF, 0xFF});
    put_field(block, "REL41");
    put_field(block, "C4");
    for (auto const& [key, value] : details) {
        put_field(block, key);
        put_field(block, value);
    }
    put_u32(block, 0x01234713); // end marker
    return block;
}

std::vector<std::uint8_t> raw_image()
{
    std::vector<std::uint8_t> image;
    image.reserve(image_size);
    put_u32(image, 0x20020000); // initial stack pointer: top of SRAM
    // 97 exception and interrupt vectors pointing into the code (thumb bit set)
    for (std::uint32_t i = 1; i < 98; ++i)
        put_u32(image, flash_base + 0x1000 + 8 * i + 1);
    while (image.size() < info_block_offset)
        image.push_back(0xFF);
    auto const block = info_block();
    image.insert(image.end(), block.begin(), block.end());
    while (image.size() < 0x800)
        image.push_back(0xFF);

    std::uint64_t state = 0x9E3779B97F4A7C15ull; // xorshift64*
    while (image.size() < image_size) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        std::uint64_t const v = state * 0x2545F4914F6CDD1Dull;
        for (int i = 0; i < 8 && image.size() < image_size; ++i)
            image.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return image;
}

std::uint32_t dfu_crc(std::vector<std::uint8_t> const& data)
{
    std::uint32_t crc = 0xFFFFFFFF; // DFU suffix CRC: reflected CRC-32 without final inversion
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

// DfuSe file (format version 1): prefix, one target for alternate setting 0 with one
// element at the start of flash, then the standard DFU suffix.
std::vector<std::uint8_t> dfuse_file(std::vector<std::uint8_t> const& image)
{
    std::vector<std::uint8_t> element;
    put_u32(element, flash_base);
    put_u32(element, static_cast<std::uint32_t>(image.size()));
    element.insert(element.end(), image.begin(), image.end());

    std::vector<std::uint8_t> target = {'T', 'a', 'r', 'g', 'e', 't', 0x00};
    put_u32(target, 1); // target is named
    std::string const name = "Kalvora Rel-41";
    std::array<std::uint8_t, 255> name_field{};
    std::copy(name.begin(), name.end(), name_field.begin());
    target.insert(target.end(), name_field.begin(), name_field.end());
    put_u32(target, static_cast<std::uint32_t>(element.size()));
    put_u32(target, 1); // one element

    std::vector<std::uint8_t> file = {'D', 'f', 'u', 'S', 'e', 0x01};
    put_u32(file, static_cast<std::uint32_t>(11 + target.size() + element.size()));
    file.push_back(1); // one target
    file.insert(file.end(), target.begin(), target.end());
    file.insert(file.end(), element.begin(), element.end());

    put_u16(file, 0xFFFF); // bcdDevice: any
    put_u16(file, 0xDF11); // idProduct
    put_u16(file, 0x0483); // idVendor
    put_u16(file, 0x011A); // bcdDFU: DfuSe
    file.insert(file.end(), {'U', 'F', 'D', 16});
    put_u32(file, dfu_crc(file));
    return file;
}

bool write_file(char const* path, std::vector<std::uint8_t> const& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s firmware.bin firmware.dfu\n", argv[0]);
        return 2;
    }
    auto const image = raw_image();
    if (!write_file(argv[1], image) || !write_file(argv[2], dfuse_file(image))) {
        std::fprintf(stderr, "%s: cannot write the firmware files\n", argv[0]);
        return 1;
    }
    return 0;
}
