// Worker and flow together against the fake dfu-util device: whole upgrades.

#include "statemachines/sm_b.h"
#include "workerfixture.h"

#include <QStandardPaths>
#include <QtTest>

namespace {
int const wait_ms = 20000;
}

class TestUpgrade : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WorkerFixture> f;
    std::unique_ptr<SM_B> flow;
    QStringList visited;

    void start()
    {
        flow = std::make_unique<SM_B>(f->worker.get(), Device::Type::VELK, QStringLiteral("C4"));
        for (QState* s :
             {flow->B1, flow->B2, flow->B3, flow->B4, flow->B6, flow->B7, flow->B8, flow->B9})
            connect(s, &QState::entered, this, [this, s] { visited << s->objectName().left(2); });
        connect(flow.get(), &QStateMachine::started, this, [this] { f->worker->start(); });
        flow->start();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        f = std::make_unique<WorkerFixture>();
        visited.clear();
    }

    void cleanup()
    {
        if (flow)
            flow->stop();
        f->worker->do_stop();
        QVERIFY(f->worker->wait(5000));
        flow.reset();
        f.reset();
    }

    void full_upgrade()
    {
        f->plug_product("C3");
        start();
        QTRY_COMPARE_WITH_TIMEOUT(visited, (QStringList{"B1", "B2"}), wait_ms);
        QCOMPARE(flow->device_info.FW_revision, QStringLiteral("C3"));
        QCOMPARE(f->device.countCalls("-D"), 0);

        flow->do_download();
        QTRY_COMPARE_WITH_TIMEOUT(visited.size(), 6, wait_ms);
        QCOMPARE(visited, (QStringList{"B1", "B2", "B3", "B1", "B4", "B6"}));
        QCOMPARE(f->device.countCalls("-D"), 1);
        QCOMPARE(f->device.flash(), f->image);
        QCOMPARE(flow->device_info.FW_revision, QStringLiteral("C4"));
    }

    void failed_verification_allows_another_download()
    {
        f->plug_product("C3");
        f->device.setFlipReadback(true);
        start();
        QTRY_COMPARE_WITH_TIMEOUT(visited, (QStringList{"B1", "B2"}), wait_ms);
        flow->do_download();
        QTRY_COMPARE_WITH_TIMEOUT(visited.size(), 6, wait_ms);
        QCOMPARE(visited, (QStringList{"B1", "B2", "B3", "B1", "B4", "B7"}));

        f->device.setFlipReadback(false);
        flow->do_download();
        QTRY_COMPARE_WITH_TIMEOUT(visited.size(), 10, wait_ms);
        QCOMPARE(visited.mid(6), (QStringList{"B3", "B1", "B4", "B6"}));
        QCOMPARE(f->device.countCalls("-D"), 2);
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
