// Tests of the log window: message formats, delivery from other threads, show/hide and saving.
#include "gui/logwindow.h"
#include "smalldisk.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

// Redirects file descriptor 2 into a temporary file while alive.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved = ::dup(2);
        file = std::tmpfile();
        ::dup2(::fileno(file), 2);
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        std::fclose(file);
    }
    QByteArray text()
    {
        std::fflush(stderr);
        std::rewind(file);
        QByteArray out;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file))
            out.append(buffer, int(n));
        return out;
    }

private:
    int saved = -1;
    std::FILE* file = nullptr;
};

// Acts on the next modal dialog of type T once it is shown (file dialogs and message boxes
// run their own event loop).
template<typename T>
void whenModal(std::function<void(T*)> action)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            action(dialog);
        }
    });
    poll->start(20);
}

QStringList paragraphs(LogWindowDialog* dialog)
{
    return dialog->textBrowser->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

class TestLogWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { logWindow = new LogWindow(nullptr); }
    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        delete logWindow.data();
    }

    void messageTypes_data();
    void messageTypes();
    void throughHandler();
    void fromWorkerThread();
    void droppedWithoutRelay();
    void fatalAborts();
    void keysAndClose();
    void placement_data();
    void placement();
    void toggleNextToMainWindow();
    void repeatedLinesShownOnce();
    void followsNewLinesAtTheEnd();
    void clearAndSave();
    void cancelledSave();
    void unwritableFile();
    void fullDisk();
};

void TestLogWindow::messageTypes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("paragraph");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("debug") << int(QtDebugMsg) << "Debug: hello" << QByteArray("Debug: hello (f.cpp:12, fn)\n");
    QTest::newRow("info") << int(QtInfoMsg) << "hello" << QByteArray("Info: hello (f.cpp:12, fn)\n");
    QTest::newRow("warning") << int(QtWarningMsg) << "Warning: hello" << QByteArray("Warning: hello (f.cpp:12, fn)\n");
    QTest::newRow("critical") << int(QtCriticalMsg) << "CRITICAL: hello" << QByteArray("Critical: hello (f.cpp:12, fn)\n");
}

void TestLogWindow::messageTypes()
{
    QFETCH(int, type);
    StderrCapture err;
    QMessageLogContext const context("f.cpp", 12, "fn", "default");
    logWindow->outputMessage(QtMsgType(type), context, QStringLiteral("hello"));
    QTEST(logWindow->dialog->textBrowser->toPlainText(), "paragraph");
    QTEST(err.text(), "line");
}

// The program's own messages carry no file or function: they print as empty text.
void TestLogWindow::throughHandler()
{
    StderrCapture err;
    qInstallMessageHandler(logWindowMessageHandler);
    QMessageLogContext const none;
    logWindowMessageHandler(QtInfoMsg, none, QStringLiteral("Download  enabled"));
    // Lines are plain text: what a device sends is never rendered as markup.
    logWindowMessageHandler(QtWarningMsg, none, QStringLiteral("<b>bold</b> &amp; C\u00e9"));
    qInstallMessageHandler(nullptr);
    QCOMPARE(paragraphs(logWindow->dialog),
             QStringList({"Download  enabled", "Warning: <b>bold</b> &amp; C\u00e9"}));
    QCOMPARE(err.text(), QStringLiteral("Info: Download  enabled (:0, )\nWarning: <b>bold</b> "
                                        "&amp; C\u00e9 (:0, )\n")
                             .toLocal8Bit());
}

void TestLogWindow::fromWorkerThread()
{
    StderrCapture err;
    qInstallMessageHandler(logWindowMessageHandler);
    QThread* worker = QThread::create([] { qWarning() << "from the worker"; });
    worker->start();
    QVERIFY(worker->wait(5000));
    delete worker;
    // Standard error has the line before the event loop has delivered anything: a message
    // logged as the program ends is not lost.
    QVERIFY(err.text().startsWith("Warning: from the worker ("));
    QVERIFY(logWindow->dialog->textBrowser->toPlainText().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(paragraphs(logWindow->dialog),
                              QStringList({"Warning: from the worker"}), 5000);
}

void TestLogWindow::droppedWithoutRelay()
{
    LogWindowDialog* dialog = logWindow->dialog;
    QPointer<LogWindowDialog> guard(dialog);
    delete logWindow.data();
    QVERIFY(logWindow.isNull());
    QVERIFY(guard.isNull()); // the relay owns its dialog
    logWindowMessageHandler(QtWarningMsg, QMessageLogContext(), QStringLiteral("lost"));
}

void TestLogWindow::fatalAborts()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TST_LOGWINDOW_FATAL"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY(child.readAllStandardError().contains("Fatal: going down (:0, )\n"));
}

void TestLogWindow::keysAndClose()
{
    LogWindowDialog* dialog = logWindow->dialog;
    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->size(), QSize(600, 400));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTest::keyClick(dialog, Qt::Key_Return);
    QVERIFY(dialog->isVisible());
    dialog->close();
    QVERIFY(!dialog->isVisible());
    dialog->show();
    dialog->hideButton->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->clearButton->text(), QStringLiteral("clear"));
    QCOMPARE(dialog->saveButton->text(), QStringLiteral("save output"));
}

void TestLogWindow::placement_data()
{
    QTest::addColumn<QRect>("available"); // the screen's area without panels
    QTest::addColumn<QRect>("main");      // the main window's frame
    QTest::addColumn<QRect>("placed");

    QSize const dialog(602, 430);
    QRect const s800(0, 0, 800, 600);
    QRect const s1280(0, 28, 1280, 996);
    QRect const s1920(0, 0, 1920, 1050);
    QTest::newRow("1920, main centred: right of it")
        << s1920 << QRect(627, 306, 667, 547) << QRect(QPoint(1294, 306), dialog);
    QTest::newRow("1920, main at the right edge: left of it")
        << s1920 << QRect(1253, 100, 667, 547) << QRect(QPoint(651, 100), dialog);
    QTest::newRow("1280, main centred: inside, top-aligned")
        << s1280 << QRect(306, 252, 667, 547) << QRect(QPoint(678, 252), dialog);
    QTest::newRow("1280, main at the left edge: right of it")
        << s1280 << QRect(0, 28, 667, 547) << QRect(QPoint(667, 28), dialog);
    QTest::newRow("1280, main low: moved up into the area")
        << s1280 << QRect(0, 700, 667, 547) << QRect(QPoint(667, 594), dialog);
    QTest::newRow("800, main fills the width: inside")
        << s800 << QRect(66, 26, 667, 547) << QRect(QPoint(198, 26), dialog);
    QTest::newRow("800, main off the left edge: inside")
        << s800 << QRect(-200, 0, 667, 547) << QRect(QPoint(198, 0), dialog);
    QTest::newRow("screen smaller than the dialog: top left of the area")
        << QRect(10, 20, 500, 300) << QRect(10, 20, 400, 280) << QRect(QPoint(10, 20), dialog);
}

void TestLogWindow::placement()
{
    QFETCH(QRect, available);
    QFETCH(QRect, main);
    QFETCH(QRect, placed);
    QCOMPARE(LogWindow::placement(main, placed.size(), available), placed);
}

void TestLogWindow::toggleNextToMainWindow()
{
    QMainWindow main;
    main.setGeometry(100, 120, 300, 200);
    main.show();
    logWindow->dialog->textBrowser->append(QStringLiteral("kept"));
    logWindow->toggle_visibility(&main);
    QVERIFY(logWindow->dialog->isVisible());
    QRect const area = main.screen()->availableGeometry();
    QCOMPARE(logWindow->dialog->frameGeometry(),
             LogWindow::placement(main.frameGeometry(), logWindow->dialog->frameGeometry().size(),
                                  area));
    QVERIFY(area.contains(logWindow->dialog->frameGeometry()));
    logWindow->toggle_visibility(&main);
    QVERIFY(!logWindow->dialog->isVisible());
    logWindow->toggle_visibility(&main);
    QVERIFY(logWindow->dialog->isVisible());
    QCOMPARE(logWindow->dialog->textBrowser->toPlainText(), QStringLiteral("kept"));
}

// A poll that logs the same line each time adds a count, not lines, in the window and in
// the saved file.
void TestLogWindow::repeatedLinesShownOnce()
{
    QMessageLogContext const none;
    StderrCapture err;
    for (int i = 0; i < 3; ++i)
        logWindow->outputMessage(QtInfoMsg, none, QStringLiteral("Exit with 74"));
    logWindow->outputMessage(QtWarningMsg, none, QStringLiteral("Exit with 74"));
    for (int i = 0; i < 2; ++i)
        logWindow->outputMessage(QtInfoMsg, none, QStringLiteral("two\nlines"));
    logWindow->outputMessage(QtInfoMsg, none, QStringLiteral("Exit with 74"));
    QCOMPARE(paragraphs(logWindow->dialog),
             QStringList({"Exit with 74 (repeated 3 times)", "Warning: Exit with 74", "two",
                          "lines (repeated 2 times)", "Exit with 74"}));
    QCOMPARE(err.text().count("Info: Exit with 74"), 4); // standard error keeps every line
}

// The view follows new lines while it is at the end, also after lines came while it was
// hidden, and keeps its place once the user has scrolled up.
void TestLogWindow::followsNewLinesAtTheEnd()
{
    LogWindowDialog* dialog = logWindow->dialog;
    QScrollBar* bar = dialog->textBrowser->verticalScrollBar();
    QMessageLogContext const none;
    StderrCapture err;
    auto add = [&](int n) {
        for (int i = 0; i < n; ++i)
            logWindow->outputMessage(QtInfoMsg, none, QStringLiteral("line %1").arg(i));
    };
    add(50);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    add(300); // arrive while hidden
    dialog->hide();
    add(300);
    dialog->show();
    QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
    add(20);
    QTRY_COMPARE(bar->value(), bar->maximum());

    bar->setValue(bar->maximum() / 2);
    int const kept = bar->value();
    add(20);
    QTest::qWait(50);
    QCOMPARE(bar->value(), kept);
    bar->setValue(bar->maximum());
    add(20);
    QTRY_COMPARE(bar->value(), bar->maximum());
}

// Answers the save question with a fixed file name and records what was asked.
struct SaveAnswer
{
    QString name;
    QStringList asked;
    void install(LogWindowDialog* dialog)
    {
        dialog->askSaveFileName = [this](QWidget* parent, QString const& caption,
                                         QString const& file, QString const& filter) {
            asked = QStringList({QString::number(parent != nullptr), caption, file, filter});
            return name;
        };
    }
};

void TestLogWindow::clearAndSave()
{
    QTemporaryDir dir;
    QString const path = dir.filePath(QStringLiteral("log.txt"));
    LogWindowDialog* dialog = logWindow->dialog;
    dialog->textBrowser->append(QStringLiteral("first"));
    dialog->textBrowser->append(QStringLiteral("Warning: second"));
    SaveAnswer answer{path, {}};
    answer.install(dialog);
    dialog->saveButton->click();
    QCOMPARE(answer.asked, QStringList({"1", "Save Log Output", QDir::homePath() + "/logfile.txt",
                                        "Text Files (*.txt);;All Files (*)"}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("first\nWarning: second"));
    file.close();

    dialog->clearButton->click();
    QVERIFY(dialog->textBrowser->toPlainText().isEmpty());
    dialog->saveButton->click();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray()); // the existing file is truncated
}

// The real save dialog: its title and filters, and cancelling it writes nothing.
void TestLogWindow::cancelledSave()
{
    QTemporaryDir dir;
    logWindow->dialog->textBrowser->append(QStringLiteral("text"));
    QString title;
    QStringList filters;
    whenModal<QFileDialog>([&](QFileDialog* fd) {
        title = fd->windowTitle();
        filters = fd->nameFilters();
        fd->setDirectory(dir.path());
        fd->reject();
    });
    logWindow->dialog->saveButton->click();
    QCOMPARE(title, QStringLiteral("Save Log Output"));
    QCOMPARE(filters, QStringList({"Text Files (*.txt)", "All Files (*)"}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    QCOMPARE(QDir(QDir::homePath()).entryList(QDir::Files), QStringList());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestLogWindow::unwritableFile()
{
    QTemporaryDir dir;
    // A file below a plain file cannot be created, whoever runs the test.
    QString const blocker = dir.filePath(QStringLiteral("plain"));
    QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
    QString const path = blocker + QStringLiteral("/log.txt");
    logWindow->dialog->textBrowser->append(QStringLiteral("text"));
    SaveAnswer answer{path, {}};
    answer.install(logWindow->dialog);

    QString title;
    QString text;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    logWindow->dialog->saveButton->click();
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(text, QStringLiteral("<nobr>File '%1'<br/>cannot be opened for writing.<br/><br/>"
                                  "The log output could <b>not</b> be saved!</nobr>")
                       .arg(path));
    QCOMPARE(logWindow->dialog->textBrowser->toPlainText(), QStringLiteral("text"));
}

// A disk that fills up while saving: the error box, and neither a cut file nor the old one
// replaced by one.
void TestLogWindow::fullDisk()
{
    SmallDisk disk(16);
    if (!disk.isMounted())
        QSKIP(qPrintable(disk.reason()));
    QString const path = disk.filePath(QStringLiteral("log.txt"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old log\n");
    }
    for (int i = 0; i < 2000; ++i)
        logWindow->dialog->textBrowser->append(QStringLiteral("line %1 of a long log").arg(i));
    SaveAnswer answer{path, {}};
    answer.install(logWindow->dialog);
    QString title;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    logWindow->dialog->saveButton->click();
    QCOMPARE(title, QStringLiteral("Error"));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old log\n"));
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.txt")});
}

int main(int argc, char** argv)
{
    // The save dialog proposes a file in the home folder: keep it away from the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TST_LOGWINDOW_FATAL")) {
        logWindow = new LogWindow(nullptr);
        qInstallMessageHandler(logWindowMessageHandler);
        logWindowMessageHandler(QtFatalMsg, QMessageLogContext(), QStringLiteral("going down"));
        return 0;
    }
    TestLogWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logwindow.moc"
