#include "device/fwinfo.h"
#include "fuzzcheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(discard_messages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    // No copy: any read past the input's end lands outside libFuzzer's buffer and is reported.
    auto const bytes = QByteArray::fromRawData(reinterpret_cast<char const*>(data), int(size));
    auto const info = Device::make_FW_Info(bytes);
    FUZZ_CHECK(info.valid || (info.name.isEmpty() && info.details.empty()));
    FUZZ_CHECK(info.name.size() <= 31 && info.revision.size() <= 31);
    for (auto const& [key, value] : info.details)
        FUZZ_CHECK(!key.isEmpty() && !value.isEmpty() && key.size() <= 31 && value.size() <= 31);
    FUZZ_CHECK(QString(info).startsWith(QLatin1String("FW info:\n")));

    // Every position, including those near and past the end, must read safely.
    for (int pos = -1; pos <= bytes.size() && pos < 64; ++pos)
        FUZZ_CHECK(Device::get_string(bytes, pos).size() <= 31);
    return 0;
}
