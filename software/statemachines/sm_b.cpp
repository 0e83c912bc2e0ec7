#include "sm_b.h"

#include "app/options.h"
#include "guardedtransition.h"
#include "sm_a.h"

#include <QDebug>

#include <cstdio>

// Re-emits the worker's signals in the GUI thread when they are delivered. The machine listens
// to a signal only while a state that reacts to it is active; relaying at delivery lets each
// signal meet the state the flow is in when it arrives rather than when the worker emitted it,
// so a quick sig_NoDevConn/sig_DevConn pair is never lost.
class WorkerRelay : public QObject
{
    Q_OBJECT

public:
    WorkerRelay(SM_A* worker, QObject* parent) : QObject(parent)
    {
        connect(worker, &SM_A::sig_DevConn, this, &WorkerRelay::DevConn);
        connect(worker, &SM_A::sig_NoDevConn, this, &WorkerRelay::NoDevConn);
        connect(worker, &SM_A::sig_FwUploadedMatches, this, &WorkerRelay::FwUploadedMatches);
        connect(worker, &SM_A::sig_FwUploadedDiffers, this, &WorkerRelay::FwUploadedDiffers);
    }

signals:
    void DevConn(DFU::DeviceInfo const& info);
    void NoDevConn();
    void FwUploadedMatches();
    void FwUploadedDiffers();
};

Device::Type SM_B::desired_ID = Device::Type::Invalid;
QString SM_B::desired_revision;

SM_B::SM_B(SM_A* worker, Device::Type desired_type, QString desired_revision)
    : QStateMachine(nullptr), worker(worker), relay(new WorkerRelay(worker, this))
{
    SM_B::desired_ID = desired_type;
    SM_B::desired_revision = std::move(desired_revision);
    add_states();
    add_classification();
    add_transitions();
    add_actions();
}

SM_B::~SM_B() = default;

void SM_B::add_states()
{
    auto make = [this](char const* name) {
        auto* state = new QState(this);
        state->setObjectName(QString::fromLatin1(name));
        return state;
    };
    B1 = make("B1: No (DFU-SE) dev. conn.");
    B2 = make("B2: Conn. to (DFU-SE) dev. with diff. FW rev.");
    B3 = make("B3: Upgrading FW");
    B4 = make("B4: Uploading and verifying FW");
    B6 = make("B6: FW in dev. matches");
    B7 = make("B7: FW in dev. differs");
    B8 = make("B8: Invalid (DFU-SE) dev. conn.");
    B9 = make("B9: Conn. to (DFU-SE) dev. with Empty OTP.");
    setInitialState(B1);
}

// Tried in this order; the first guard that holds wins and later guards are not evaluated.
void SM_B::add_classification()
{
    auto add = [this](QState* target, GuardedTransition::Guard guard) {
        auto* t = new GuardedTransition(relay, &WorkerRelay::DevConn, std::move(guard), B1);
        t->setTargetState(target);
    };
    add(B9, [this] { return announced.OTP_info.empty; });
    add(B8, [this] { return announced.valid && !device_has_valid_type(desired_ID); });
    add(B2, [this] { return device_has_valid_type(desired_ID) && !device_has_desired_revision(); });
    add(B4, [this] { return device_has_valid_type(desired_ID) && device_has_desired_revision(); });
}

void SM_B::add_transitions()
{
    B2->addTransition(this, &SM_B::sig_DoDownload, B3);
    B2->addTransition(relay, &WorkerRelay::NoDevConn, B1);
    B3->addTransition(relay, &WorkerRelay::NoDevConn, B1);
    B4->addTransition(relay, &WorkerRelay::FwUploadedMatches, B6);
    B4->addTransition(relay, &WorkerRelay::FwUploadedDiffers, B7);
    // The worker's comparison result always arrives before its next sig_NoDevConn, so a
    // device pulled during the read-back still ends in B7 first. A device gone before the
    // read-back began (the flow saw its sig_DevConn late) must not leave the flow waiting.
    B4->addTransition(relay, &WorkerRelay::NoDevConn, B1);
    B6->addTransition(relay, &WorkerRelay::NoDevConn, B1);
    B7->addTransition(this, &SM_B::sig_DoDownload, B3);
    B7->addTransition(relay, &WorkerRelay::NoDevConn, B1);
    B8->addTransition(relay, &WorkerRelay::NoDevConn, B1);
    // A device without a product record is written only by a service build.
    if (have_service_build())
        B9->addTransition(this, &SM_B::sig_DoDownload, B3);
    B9->addTransition(relay, &WorkerRelay::NoDevConn, B1);
}

void SM_B::add_actions()
{
    connect(B1, &QState::entered, this, [this] {
        emit sig_UpgradeImpossible();
        device_info = DFU::DeviceInfo{};
        // A request the worker has not taken up yet was meant for the device that is gone;
        // it must not be carried out on whatever device comes next.
        worker->set_command(SM_A::NoCommand, 0);
    });
    connect(B1, &QState::exited, this, [this] {
        device_info = announced;
        qInfo().noquote() << "Device connected with:\n" << device_info;
        emit sig_DeviceConnected();
    });
    connect(B2, &QState::entered, this, [this] {
        emit sig_UpgradePossible();
        emit sig_DifferingRevision();
    });
    // Each request names the connection of the device it was decided for.
    connect(B3, &QState::entered, this,
            [this] { worker->set_command(SM_A::DownloadFW, device_info.connection); });
    connect(B4, &QState::entered, this, [this] {
        emit sig_UploadingVerifying();
        worker->set_command(SM_A::UploadAndCompareFW, device_info.connection);
    });
    connect(B6, &QState::entered, this, [this] { emit sig_FwMatches(); });
    connect(B7, &QState::entered, this, [this] {
        emit sig_UpgradePossible();
        emit sig_FwDiffers();
    });
    connect(B8, &QState::entered, this, [this] { emit sig_InvalidProduct(); });
    connect(B9, &QState::entered, this, [this] {
        if (have_service_build())
            emit sig_UpgradePossible();
        else
            emit sig_UpgradeImpossible();
        emit sig_DifferingRevision();
    });
}

void SM_B::beginSelectTransitions(QEvent* event)
{
    if (event->type() != QEvent::StateMachineSignal)
        return;
    auto const* signal = static_cast<QStateMachine::SignalEvent*>(event);
    QList<QVariant> const arguments = signal->arguments();
    if (signal->sender() != relay || arguments.size() != 1)
        return;
    if (arguments.first().userType() == qMetaTypeId<DFU::DeviceInfo>())
        announced = arguments.first().value<DFU::DeviceInfo>();
}

bool SM_B::device_has_valid_type(Device::Type id) const
{
    std::printf("device_has_valid_type(%i): valid %i, device_type: %i\n", int(id),
                int(announced.valid), int(announced.device_type));
    // Without a known product of its own (an unreadable carried image) nothing matches it.
    return announced.valid && Device::is_known(id) && announced.device_type == id;
}

bool SM_B::device_has_desired_revision() const
{
    return announced.valid && announced.FW_revision == desired_revision;
}

void SM_B::do_download()
{
    emit sig_DoDownload();
}

void SM_B::enable_debug_output()
{
    qInfo() << "SM_B: Add connections to show emitted signals";
    auto show = [this](auto signal, char const* name) {
        connect(
            this, signal, this,
            [name] { qDebug() << QStringLiteral("SM_B: /sig_") + QLatin1String(name); },
            Qt::DirectConnection);
    };
    show(&SM_B::sig_UpgradeImpossible, "UpgradeImpossible");
    show(&SM_B::sig_UpgradePossible, "UpgradePossible");
    show(&SM_B::sig_DifferingRevision, "DifferingRevision");
    show(&SM_B::sig_DoDownload, "DoDownload");
    show(&SM_B::sig_UploadingVerifying, "UploadingVerifying");
    show(&SM_B::sig_FwMatches, "FwMatches");
    show(&SM_B::sig_FwDiffers, "FwDiffers");
    show(&SM_B::sig_DeviceConnected, "DeviceConnected");
    show(&SM_B::sig_InvalidProduct, "InvalidProduct");
    for (QState* state : {B1, B2, B3, B4, B6, B7, B8, B9})
        connect(
            state, &QState::entered, this,
            [state] { qDebug() << QStringLiteral("SM_B: entered ") + state->objectName(); },
            Qt::DirectConnection);
}

#include "sm_b.moc"
