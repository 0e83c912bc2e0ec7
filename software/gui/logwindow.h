#pragma once

#include <QDialog>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QtGlobal>

#include <functional>

class QMainWindow;
class QPushButton;
class QTextBrowser;

// One message of the Qt message log as a value, so that it can be queued from the worker
// thread to the dialog (the log's own context record can be neither copied nor queued).
struct LogMessage
{
    QtMsgType type = QtDebugMsg;
    QString file;
    int line = 0;
    QString function;
    QString text;
};
Q_DECLARE_METATYPE(LogMessage)

LogMessage make_LogMessage(QtMsgType type, QMessageLogContext const& context, QString const& text);

// The standard error line of a message ("Info: text (file:line, function)"), with a line feed;
// empty for a type that is not shown.
QByteArray stderr_line(LogMessage const& message);
// Writes it whole, never interleaved with another thread's line.
void write_stderr_line(LogMessage const& message);

// The dialog that lists the messages and can clear and save them.
class LogWindowDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LogWindowDialog(QWidget* parent = nullptr);

    QTextBrowser* textBrowser = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* reportButton = nullptr; // "save support report": the wiring saves it
    QPushButton* hideButton = nullptr;

    // Asks for the file to save to (parent, caption, proposed file, filter); an empty name
    // cancels. The standard save dialog unless replaced.
    std::function<QString(QWidget*, QString const&, QString const&, QString const&)>
        askSaveFileName;

    // The list keeps at most this many lines; the oldest go first.
    static constexpr int max_lines = 100000;

public slots:
    // Appends the message as plain text; a message equal to the one before is shown once,
    // with a count. A fatal message aborts.
    void outputMessage(LogMessage const& message);

protected slots:
    void save();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void append(QString const& text);
    void scrollToEnd();

    QString lastText;   // the message shown last, without its count
    int repeats = 0;    // how often it came in a row
    int lastLength = 0; // characters it takes at the end of the list
    bool follow = true; // the view stays at the end while the user has not scrolled up
    bool scrolling = false;
};

// Relays messages from any thread to its dialog in the GUI thread.
class LogWindow : public QObject
{
    Q_OBJECT

public:
    explicit LogWindow(QObject* parent = nullptr);
    ~LogWindow() override;

    LogWindowDialog* dialog = nullptr;

signals:
    void sendMessage(LogMessage const& message);

public:
    // Where the dialog (of frame size size) opens next to the main window's frame: right of
    // it when that fits into the screen's available area, else left of it, else inside the
    // area; top-aligned with the main window where it can be.
    static QRect placement(QRect mainFrame, QSize size, QRect available);

public slots:
    // Prints the message to standard error at once, in the calling thread, and hands it to
    // the dialog (queued from other threads).
    void outputMessage(QtMsgType type, QMessageLogContext const& context, QString const& msg);
    // Shows the dialog next to the main window, or hides it.
    void toggle_visibility(QMainWindow* mainWindow);
};

// The relay the message handler uses; null drops messages.
extern QPointer<LogWindow> logWindow;

void logWindowMessageHandler(QtMsgType type, QMessageLogContext const& context,
                             QString const& message);
