#include "testpaths.h"

namespace TestPaths {

QString fake_dfu_util()
{
    return QStringLiteral(FAKE_DFU_UTIL_PATH);
}

QString generated_file(QString const& name)
{
    return QStringLiteral(KALVORA_GENERATED_FILES_DIR "/") + name;
}

QString simulator_dir()
{
    return QStringLiteral(KALVORA_TEST_SIMULATOR_DIR);
}

QString program()
{
    return QStringLiteral(KALVORA_PROGRAM_PATH);
}

} // namespace TestPaths
