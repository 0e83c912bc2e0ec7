#include "options.h"

#include "sim/simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>

bool use_log_window = false;

bool have_service_build()
{
    return false;
}

void parse_arguments(QCoreApplication* app)
{
    QCommandLineParser parser;
    QCommandLineOption const useSimulator({QStringLiteral("s"), QStringLiteral("use-simulator")},
                                          QStringLiteral("Use simulated device interaction."));
    QCommandLineOption const noUseSimulator(
        {QStringLiteral("S"), QStringLiteral("no-use-simulator")},
        QStringLiteral("Disable use of simulated device interaction."));
    QCommandLineOption const useLogWindow(
        {QStringLiteral("l"), QStringLiteral("use-log-window")},
        QStringLiteral("Enable use of log window (open it with Ctrl-l)"));
    parser.addOption(useSimulator);
    parser.addOption(noUseSimulator);
    parser.addOption(useLogWindow);
    parser.process(*app);

    bool const s = parser.isSet(QStringLiteral("use-simulator"));
    bool const S = parser.isSet(QStringLiteral("no-use-simulator"));
    auto const word = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    qDebug().noquote().nospace() << "Initial value of 'simulator::use'=" << word(simulator::use)
                                 << ", isSet('-s')=" << word(s) << ", isSet('-S')=" << word(S);
    if (s)
        simulator::use = true;
    if (S)
        simulator::use = false;
    if (parser.isSet(QStringLiteral("use-log-window")))
        use_log_window = true;
}
