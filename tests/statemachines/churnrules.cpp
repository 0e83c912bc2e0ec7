// The rules of the churn test, applied to what Checker has put in order (churnchecker.h).

#include "churnchecker.h"

#include <QAbstractState>

#include <algorithm>

namespace Churn {

namespace {

bool is_valid_rel41(DFU::DeviceInfo const& info)
{
    return info.valid && info.OTP_info.valid && !info.OTP_info.empty &&
           info.device_type == Device::Type::VELK;
}

bool is_upload_at(FakeDevice::Run const& run, char const* address)
{
    return run.op == QLatin1String("upload") && run.address == QLatin1String(address);
}

bool is_otp_read(FakeDevice::Run const& run)
{
    return is_upload_at(run, "0x1FFF7800");
}

bool is_info_read(FakeDevice::Run const& run)
{
    return is_upload_at(run, "0x08000000") && run.length <= 2048;
}

bool is_readback(FakeDevice::Run const& run)
{
    return is_upload_at(run, "0x08000000") && run.length > 2048;
}

QString product_group(Product product)
{
    switch (product) {
    case Product::Rel41:
        return QStringLiteral("a Rel-41");
    case Product::BlankOtp:
        return QStringLiteral("blank");
    case Product::UnreadableOtp:
        return QStringLiteral("unreadable");
    default:
        return QStringLiteral("another product");
    }
}

} // namespace

QString describe(DFU::DeviceInfo const& info)
{
    if (!info.valid)
        return QStringLiteral("(no valid record)");
    return QStringLiteral("%1, type 0x%2%3, revision '%4'")
        .arg(info.serial)
        .arg(static_cast<int>(info.device_type), 2, 16, QLatin1Char('0'))
        .arg(info.OTP_info.empty ? QStringLiteral(", blank OTP") : QString())
        .arg(info.FW_revision);
}

void Checker::end_read(WorkerEvent const& event)
{
    announcements.append(Announcement{event.info, event.seq, group_runs});
    group = Group::None;
    applies(QStringLiteral("announcements read"));
    for (auto const& run : group_runs)
        if (!run.device.isEmpty() && run.device != event.info.serial) {
            violate(QStringLiteral("record"),
                    QStringLiteral("announced record read (partly) from another device"),
                    QStringLiteral("announced %1; run: %2").arg(describe(event.info), run.text));
            return;
        }
}

void Checker::end_download()
{
    group = Group::None;
    int const request = request_before(downloads, group_seq);
    for (auto const& run : group_runs) {
        if (run.op != QLatin1String("download") || run.device.isEmpty())
            continue; // a run that reached no device wrote nothing
        applies(QStringLiteral("downloads"));
        if (request < 0) {
            violate(QStringLiteral("target"), QStringLiteral("download nobody asked for"),
                    run.text);
            continue;
        }
        int const c = downloads[request].connection;
        DFU::DeviceInfo const clicked =
            c >= 0 && c < announcements.size() ? announcements[c].info : DFU::DeviceInfo{};
        QString const detail =
            QStringLiteral("clicked for %1; run: %2").arg(describe(clicked), run.text);
        if (!is_valid_rel41(clicked))
            violate(QStringLiteral("target"),
                    QStringLiteral("download to a device not classified as a Rel-41 with a "
                                   "valid product record"),
                    detail);
        else if (run.device != clicked.serial)
            violate(QStringLiteral("target"),
                    ignored_since(c, group_seq)
                        ? QStringLiteral("download to another device than the one clicked, "
                                         "after the flow ignored a newer announcement")
                        : QStringLiteral("download to another device than the one clicked"),
                    detail);
        else if (announced_since(c, group_seq))
            violate(QStringLiteral("target"),
                    QStringLiteral("download after the device was announced again"), detail);
    }
}

void Checker::end_readback(bool matches)
{
    group = Group::None;
    bool exact = false;
    for (auto const& run : group_runs)
        exact = exact || (is_readback(run) && run.exitCode == 0 && run.written == image.size() &&
                          run.returned == image_hash);
    if (matches)
        exact_readbacks.append(exact);
    int const request = request_before(readbacks, group_seq);
    for (auto const& run : group_runs) {
        if (!is_readback(run) || run.device.isEmpty())
            continue;
        applies(QStringLiteral("read-backs"));
        if (request < 0) {
            violate(QStringLiteral("target"), QStringLiteral("read-back nobody asked for"),
                    run.text);
            continue;
        }
        int const c = readbacks[request].connection;
        DFU::DeviceInfo const verified =
            c >= 0 && c < announcements.size() ? announcements[c].info : DFU::DeviceInfo{};
        QString const detail =
            QStringLiteral("B4 for %1; run: %2").arg(describe(verified), run.text);
        if (run.device != verified.serial)
            violate(QStringLiteral("target"),
                    ignored_since(c, group_seq)
                        ? QStringLiteral("read-back of another device than the one in B4, "
                                         "after the flow ignored a newer announcement")
                        : QStringLiteral("read-back of another device than the one in B4"),
                    detail);
        else if (announced_since(c, group_seq))
            violate(QStringLiteral("target"),
                    QStringLiteral("read-back after the device was announced again"), detail);
    }
}

void Checker::on_nodevconn_delivered()
{
    int const index = delivered_nodevconn++;
    pump();
    if (stopped || index >= no_device_reports.size())
        return;
    qint64 const emitted = no_device_reports[index].seq;
    bool const in_B1 = flow->configuration().contains(flow->B1);
    for (Removal& r : removals) {
        if (r.flow_checked || r.seq > emitted)
            continue;
        r.flow_checked = true;
        applies(QStringLiteral("removals reported to the flow"));
        if (!in_B1)
            violate(QStringLiteral("removal"),
                    QStringLiteral("flow not in B1 after the worker reported no device"),
                    QStringLiteral("%1 removed at +%2 ms; the flow stays in %3")
                        .arg(r.serial)
                        .arg(r.ms)
                        .arg(state_name()));
    }
}

void Checker::on_matches_delivered()
{
    int const index = delivered_matches++;
    pump();
    if (stopped || !entered_B6)
        return;
    entered_B6 = false;
    applies(QStringLiteral("B6 entries"));
    if (index >= exact_readbacks.size() || !exact_readbacks[index])
        violate(QStringLiteral("B6"), QStringLiteral("B6 without a read-back equal to the image"),
                QStringLiteral("read-back %1").arg(index));
}

void Checker::check_classification(int index, QAbstractState* state)
{
    if (index >= announcements.size())
        return;
    Announcement const& a = announcements[index];
    auto const unit = units.constFind(a.info.serial);
    if (unit == units.constEnd())
        return;
    for (auto const& run : a.runs)
        if (!run.device.isEmpty() && run.device != a.info.serial)
            return; // reported as a mixed record
    QString const shown = state->objectName().left(2);
    applies(QStringLiteral("classifications as ") + shown);
    Product const product = unit->product;
    bool const fits = product == Product::Rel41           ? (state == flow->B2 || state == flow->B4)
                      : product == Product::BlankOtp      ? state == flow->B9
                      : product == Product::UnreadableOtp ? false
                                                          : state == flow->B8;
    if (!fits)
        violate(
            QStringLiteral("classification"),
            QStringLiteral("classified %1 but the device is %2").arg(shown, product_group(product)),
            QStringLiteral("%1 announced as %2").arg(unit->text(), describe(a.info)));
    check_revision(a, *unit);
}

// The revision shown must come from this device's flash as the read found it. Where the read
// was complete and both OTP and block are a Rel-41's it must be exactly the block's; where the
// read was cut short or failed, no revision is right too.
void Checker::check_revision(Announcement const& a, UnitSpec const& unit)
{
    FakeDevice::Run const* otp = nullptr;
    FakeDevice::Run const* info = nullptr;
    for (auto const& run : a.runs) {
        if (is_otp_read(run))
            otp = &run;
        if (is_info_read(run))
            info = &run;
    }
    bool const known = info && info->exitCode == 0 && flash_by_hash.contains(info->memory);
    Flash const truth = known ? flash_by_hash.value(info->memory) : Flash::Blank;
    bool const complete = known && info->written == 2048 && otp && otp->written == 512;
    QStringList allowed;
    if (complete && unit.product == Product::Rel41)
        allowed << (has_rel41_block(truth) ? revision_of(truth) : QString());
    else
        allowed << QString() << (known ? revision_of(truth) : QString());
    allowed.removeDuplicates();
    QString const shown = flow->device_info.FW_revision;
    if (allowed.contains(shown))
        return;
    bool previous = false;
    for (auto const& earlier : announcements)
        previous = previous || (earlier.seq < a.seq && earlier.info.serial != a.info.serial &&
                                earlier.info.FW_revision == shown);
    violate(QStringLiteral("revision"),
            previous ? QStringLiteral("revision shown is a previous device's")
                     : QStringLiteral("revision shown is not the device's"),
            QStringLiteral("%1 shown with revision '%2', expected '%3'")
                .arg(unit.text(), shown, allowed.join(QStringLiteral("' or '"))));
}

void Checker::check_removals()
{
    qint64 const now = now_ms();
    for (Removal& r : removals) {
        if (r.timing_checked)
            continue;
        WorkerEvent const* report = nullptr;
        for (auto const& e : no_device_reports)
            if (e.seq > r.seq) {
                report = &e;
                break;
            }
        if (!report && now - r.ms <= removal_limit_ms)
            continue;
        r.timing_checked = true;
        applies(QStringLiteral("removals timed"));
        if (!report)
            r.flow_checked = true; // nothing reached the flow
        if (r.came_back)
            continue; // the same device again: the worker may rightly have seen nothing
        if (!report || report->ms - r.ms > removal_limit_ms)
            violate(QStringLiteral("removal"),
                    QStringLiteral("worker did not report the removal in time"),
                    QStringLiteral("%1 removed at +%2 ms, reported %3 (limit %4 ms)")
                        .arg(r.serial)
                        .arg(r.ms)
                        .arg(report ? QStringLiteral("at +%1 ms").arg(report->ms)
                                    : QStringLiteral("not at all"))
                        .arg(removal_limit_ms));
    }
    removals.erase(
        std::remove_if(removals.begin(), removals.end(),
                       [](Removal const& r) { return r.timing_checked && r.flow_checked; }),
        removals.end());
}

} // namespace Churn
