#include "device/otpinfo.h"
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
    auto const dump = QByteArray::fromRawData(reinterpret_cast<char const*>(data), int(size));
    auto const info = Device::make_OTP_Info(dump);
    FUZZ_CHECK(!(info.valid && info.empty));
    FUZZ_CHECK(!info.valid || Device::is_known(info.product.type));
    FUZZ_CHECK(!info.empty || info.product.type == Device::Type::Invalid);
    FUZZ_CHECK(info.product.raw_type >= 0 && info.product.raw_type <= 0xFF);
    FUZZ_CHECK(QString(info).startsWith(QLatin1String("OTP info:\n")));
    return 0;
}
