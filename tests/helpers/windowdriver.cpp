// Lets a test see and use the window of the unchanged, built program as a person does.
//
// A Qt generic plugin: the program's QApplication loads it when the environment names it
// (QT_QPA_GENERIC_PLUGINS=kalvorawindowdriver, QT_PLUGIN_PATH holding generic/ with this
// library; see windowdriver.h). It appends what the window shows to the file named by
// KALVORA_DRIVER_REPORT, one JSON object a line, each with its time ("ms", since the epoch):
//   {"event":"shown"|"hidden","class":...,"title":...}   a window appears or disappears
//   {"event":"status","html":...,"text":...}              the status line changed
//   {"event":"bar","format":...,"visible":...}            the progress bar's text or visibility
//   {"event":"button","enabled":...}                      the install button
//   {"event":"log","lines":[...]}                         the log window's lines, when asked
//   {"event":"did","command":...,"ok":...}                a command was carried out (or not)
// and reads commands from standard input, one a line: "click" (the install button, with the
// mouse), "close" (the main window, as its title bar's button does), "escape" (the key, typed
// into the main window), "log", "busy MS" (keeps the GUI thread from its event loop for MS
// milliseconds, as a long paint would; reported as {"event":"busy"} when it begins).

#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <chrono>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString const note_of_status_line = QStringLiteral("Note: Once the update is finished");

qint64 now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

class WindowDriver : public QObject
{
public:
    WindowDriver()
    {
        QByteArray const path = qgetenv("KALVORA_DRIVER_REPORT");
        if (!path.isEmpty())
            report_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        qApp->installEventFilter(this);
        auto* commands = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(commands, &QSocketNotifier::activated, this, [this, commands] {
            if (!read_commands())
                commands->setEnabled(false);
        });
        auto* poll = new QTimer(this);
        poll->setInterval(20);
        connect(poll, &QTimer::timeout, this, &WindowDriver::look);
        poll->start();
        // The first look comes before the worker can have changed the status line: that is
        // how the line is found, by the note it shows at first.
        QTimer::singleShot(0, this, &WindowDriver::look);
    }

    ~WindowDriver() override
    {
        if (report_fd >= 0)
            ::close(report_fd);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        bool const shown = event->type() == QEvent::Show;
        if (shown || event->type() == QEvent::Hide) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->isWindow())
                report({{"event", shown ? "shown" : "hidden"},
                        {"class", QString::fromLatin1(widget->metaObject()->className())},
                        {"title", widget->windowTitle()}});
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void report(QJsonObject object)
    {
        object.insert(QStringLiteral("ms"), double(now_ms()));
        QByteArray const line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        if (report_fd >= 0 && ::write(report_fd, line.constData(), size_t(line.size())) < 0)
            report_fd = -1;
    }

    QMainWindow* main_window() const
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<QMainWindow*>(widget))
                return window;
        return nullptr;
    }

    void find_widgets()
    {
        QMainWindow* window = main_window();
        if (!window)
            return;
        if (!status_label)
            for (QLabel* label : window->findChildren<QLabel*>())
                if (label->text().contains(note_of_status_line))
                    status_label = label;
        if (!bar)
            bar = window->findChild<QProgressBar*>();
        if (!button)
            for (QAbstractButton* candidate : window->findChildren<QAbstractButton*>())
                if (qstrcmp(candidate->metaObject()->className(), "InstallButton") == 0)
                    button = candidate;
    }

    void look()
    {
        find_widgets();
        if (status_label && status_label->text() != status_html) {
            status_html = status_label->text();
            QTextDocument document;
            document.setHtml(status_html);
            report({{"event", "status"},
                    {"html", status_html},
                    {"text", document.toPlainText().simplified()}});
        }
        if (bar && (bar->format() != bar_format || bar->isVisible() != bar_visible)) {
            bar_format = bar->format();
            bar_visible = bar->isVisible();
            report({{"event", "bar"}, {"format", bar_format}, {"visible", bar_visible}});
        }
        if (button && button->isEnabled() != button_enabled) {
            button_enabled = button->isEnabled();
            report({{"event", "button"}, {"enabled", button_enabled}});
        }
    }

    bool read_commands()
    {
        char buffer[256];
        ssize_t const n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        pending.append(buffer, int(n));
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            QByteArray const command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            report({{"event", "did"},
                    {"command", QString::fromLatin1(command)},
                    {"ok", carry_out(command)}});
        }
        return true;
    }

    bool carry_out(QByteArray const& command)
    {
        look();
        QMainWindow* window = main_window();
        if (command == "click" && button && button->isEnabled()) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
        if (command == "close" && window)
            return window->close();
        if (command == "escape" && window) {
            QTest::keyClick(window, Qt::Key_Escape);
            return true;
        }
        if (command == "log")
            return report_log_window();
        if (command == "toggle log" && window) {
            QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier);
            return true;
        }
        if (command.startsWith("busy ")) {
            report({{"event", "busy"}});
            QThread::msleep(command.mid(5).toULong());
            return true;
        }
        return false;
    }

    bool report_log_window()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* browser = widget->findChild<QTextBrowser*>()) {
                QJsonArray lines;
                for (QString const& line : browser->toPlainText().split(QLatin1Char('\n')))
                    lines.append(line);
                report({{"event", "log"}, {"lines", lines}});
                return true;
            }
        return false;
    }

    int report_fd = -1;
    QByteArray pending;
    QPointer<QLabel> status_label;
    QPointer<QProgressBar> bar;
    QPointer<QAbstractButton> button;
    QString status_html;
    QString bar_format;
    bool bar_visible = false;
    bool button_enabled = false;
};

} // namespace

class WindowDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "windowdriver.json")

public:
    QObject* create(QString const& key, QString const&) override
    {
        return key.compare(QLatin1String("kalvorawindowdriver"), Qt::CaseInsensitive) == 0
                   ? new WindowDriver
                   : nullptr;
    }
};

#include "windowdriver.moc"
