#pragma once

#include "device/products.h"
#include "dfu/deviceoperations.h"

#include <QState>
#include <QStateMachine>
#include <QString>

class SM_A;
class WorkerRelay;

// The upgrade flow in the GUI thread: classifies each device the worker announces, starts the
// download on the user's request and has the result verified.
class SM_B : public QStateMachine
{
    Q_OBJECT

public:
    SM_B(SM_A* worker, Device::Type desired_type, QString desired_revision);
    ~SM_B() override;

    void enable_debug_output();

    QState* B1;
    QState* B2;
    QState* B3;
    QState* B4;
    QState* B6;
    QState* B7;
    QState* B8;
    QState* B9;
    // The classified device, owned by the GUI thread; empty while in B1.
    DFU::DeviceInfo device_info;
    SM_A* worker;

    static Device::Type desired_ID;
    static QString desired_revision;

public slots:
    void do_download();

signals:
    void sig_UpgradeImpossible();
    void sig_UpgradePossible();
    void sig_DifferingRevision();
    void sig_DoDownload();
    void sig_UploadingVerifying();
    void sig_FwMatches();
    void sig_FwDiffers();
    void sig_DeviceConnected();
    void sig_InvalidProduct();

protected:
    // Takes the record that arrives with the worker's sig_DevConn before any guard reads it.
    void beginSelectTransitions(QEvent* event) override;

private:
    void add_states();
    void add_classification();
    void add_transitions();
    void add_actions();
    bool device_has_valid_type(Device::Type id) const;
    bool device_has_desired_revision() const;

    // The record announced by the sig_DevConn under classification: the guards and the exit
    // from B1 read this copy, so they all see the same device.
    DFU::DeviceInfo announced;
    WorkerRelay* relay; // the worker's signals, delivered in this thread
};
