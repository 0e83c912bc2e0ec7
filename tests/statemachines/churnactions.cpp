#include "churnactions.h"

namespace Churn {

namespace {

QString product_text(Product product)
{
    switch (product) {
    case Product::Rel41:
        return QStringLiteral("Rel-41 (OTP 0x04)");
    case Product::K7:
        return QStringLiteral("K7 (OTP 0x2B)");
    case Product::K7OldCode:
        return QStringLiteral("K7 (OTP 0x23)");
    case Product::Rel41ThenK7:
        return QStringLiteral("K7 (OTP 0x04, later slot 0x2B)");
    case Product::BlankOtp:
        return QStringLiteral("blank OTP");
    case Product::UnreadableOtp:
        return QStringLiteral("unreadable OTP");
    }
    return QString();
}

QString flash_text(Flash flash)
{
    switch (flash) {
    case Flash::Rel41C3:
        return QStringLiteral("flash Rel-41 C3");
    case Flash::Image:
        return QStringLiteral("flash = image");
    case Flash::Blank:
        return QStringLiteral("flash blank");
    case Flash::OtherProduct:
        return QStringLiteral("flash K7 K1");
    }
    return QString();
}

QString faults_text(Faults const& f)
{
    QStringList parts;
    if (f.otpDumpBytes >= 0)
        parts << QStringLiteral("OTP dump %1 B").arg(f.otpDumpBytes);
    if (f.infoDumpBytes >= 0)
        parts << QStringLiteral("info dump %1 B").arg(f.infoDumpBytes);
    if (f.infoReadFails)
        parts << QStringLiteral("info read fails");
    if (f.flipReadback)
        parts << QStringLiteral("read-back flips a byte");
    return parts.isEmpty()
               ? QString()
               : QStringLiteral(" [") + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QByteArray otp_of(Product product)
{
    switch (product) {
    case Product::Rel41:
    case Product::UnreadableOtp:
        return FakeDevice::otpRecord(0x04);
    case Product::K7:
        return FakeDevice::otpRecord(0x2B);
    case Product::K7OldCode:
        return FakeDevice::otpRecord(0x23);
    case Product::Rel41ThenK7: {
        QByteArray otp = FakeDevice::otpRecord(0x04);
        return otp.replace(0x20, 16, FakeDevice::otpRecord(0x2B, 0x20).mid(0x20, 16));
    }
    case Product::BlankOtp:
        break;
    }
    return QByteArray(512, char(0xFF));
}

QByteArray flash_of(Flash flash, QByteArray const& image)
{
    switch (flash) {
    case Flash::Rel41C3:
        return FakeDevice::flashWithInfo(0x04, "C3");
    case Flash::Image:
        return image;
    case Flash::Blank:
        return QByteArray();
    case Flash::OtherProduct:
        return FakeDevice::flashWithInfo(0x2B, "K1");
    }
    return QByteArray();
}

} // namespace

QString UnitSpec::text() const
{
    return serial + QLatin1Char(' ') + product_text(product) + QStringLiteral(", ") +
           flash_text(flash) + faults_text(faults);
}

QString Action::text() const
{
    switch (kind) {
    case Kind::Plug:
        return QStringLiteral("plug ") + unit.text();
    case Kind::Replug:
        return QStringLiteral("plug again ") + serial;
    case Kind::Unplug:
        return QStringLiteral("unplug");
    case Kind::Replace:
        return QStringLiteral("replace by ") + unit.text();
    case Kind::PlugSecond:
        return QStringLiteral("plug beside it ") + unit.text();
    case Kind::SetFaults:
        return QStringLiteral("set faults ") + unit.serial + faults_text(unit.faults);
    case Kind::Click:
        return QStringLiteral("click install");
    case Kind::KeyA:
        return QStringLiteral("key A");
    case Kind::Stall:
        return QStringLiteral("stall %1 ms").arg(ms);
    case Kind::Wait:
        return QStringLiteral("wait %1 ms").arg(ms);
    }
    return QString();
}

namespace {

UnitSpec parse_unit(QStringList const& words)
{
    static QMap<QString, Product> const products{
        {QStringLiteral("rel41"), Product::Rel41},
        {QStringLiteral("k7"), Product::K7},
        {QStringLiteral("k7old"), Product::K7OldCode},
        {QStringLiteral("rel41+k7"), Product::Rel41ThenK7},
        {QStringLiteral("blank"), Product::BlankOtp},
        {QStringLiteral("unreadable"), Product::UnreadableOtp}};
    static QMap<QString, Flash> const flashes{{QStringLiteral("c3"), Flash::Rel41C3},
                                              {QStringLiteral("image"), Flash::Image},
                                              {QStringLiteral("erased"), Flash::Blank},
                                              {QStringLiteral("k7"), Flash::OtherProduct}};
    UnitSpec spec;
    spec.serial = words.value(1);
    spec.product = products.value(words.value(2), Product::Rel41);
    spec.flash = flashes.value(words.value(3), Flash::Rel41C3);
    for (QString const& fault : words.mid(4)) {
        if (fault.startsWith(QLatin1String("otp=")))
            spec.faults.otpDumpBytes = fault.mid(4).toInt();
        else if (fault.startsWith(QLatin1String("info=")))
            spec.faults.infoDumpBytes = fault.mid(5).toInt();
        spec.faults.infoReadFails =
            spec.faults.infoReadFails || fault == QLatin1String("infofails");
        spec.faults.flipReadback = spec.faults.flipReadback || fault == QLatin1String("flip");
    }
    return spec;
}

} // namespace

Action parse_action(QString const& line)
{
    static QMap<QString, Kind> const kinds{
        {QStringLiteral("plug"), Kind::Plug},         {QStringLiteral("replace"), Kind::Replace},
        {QStringLiteral("beside"), Kind::PlugSecond}, {QStringLiteral("again"), Kind::Replug},
        {QStringLiteral("unplug"), Kind::Unplug},     {QStringLiteral("click"), Kind::Click},
        {QStringLiteral("key"), Kind::KeyA},          {QStringLiteral("stall"), Kind::Stall},
        {QStringLiteral("wait"), Kind::Wait}};
    QStringList const words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Action a;
    a.kind = kinds.value(words.value(0), Kind::Wait);
    if (a.kind == Kind::Plug || a.kind == Kind::Replace || a.kind == Kind::PlugSecond)
        a.unit = parse_unit(words);
    a.serial = a.kind == Kind::Replug ? words.value(1) : QString();
    a.ms = a.kind == Kind::Stall || a.kind == Kind::Wait ? words.value(1).toInt() : 0;
    return a;
}

FakeDevice::Unit make_unit(UnitSpec const& spec, QByteArray const& image)
{
    FakeDevice::Unit unit;
    unit.serial = spec.serial;
    unit.otp = otp_of(spec.product);
    unit.flash = flash_of(spec.flash, image);
    unit.otpReadFails = spec.product == Product::UnreadableOtp ? 74 : 0;
    unit.infoReadFails = spec.faults.infoReadFails ? 74 : 0;
    unit.otpDumpBytes = spec.faults.otpDumpBytes;
    unit.infoDumpBytes = spec.faults.infoDumpBytes;
    unit.flipReadback = spec.faults.flipReadback;
    return unit;
}

QByteArray info_area(Flash flash, QByteArray const& image)
{
    QByteArray area = flash_of(flash, image).left(2048);
    area.append(QByteArray(2048 - area.size(), char(0xFF)));
    return area;
}

QString revision_of(Flash flash)
{
    switch (flash) {
    case Flash::Rel41C3:
        return QStringLiteral("C3");
    case Flash::Image:
        return QStringLiteral("C4");
    case Flash::OtherProduct:
        return QStringLiteral("K1");
    case Flash::Blank:
        break;
    }
    return QString();
}

bool has_rel41_block(Flash flash)
{
    return flash == Flash::Rel41C3 || flash == Flash::Image;
}

Generator::Generator(quint64 seed) : random(seed)
{
    poll_ms = pick<int>({{10, 1}, {20, 2}, {30, 1}});
}

int Generator::uniform(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool Generator::chance(double p)
{
    return std::bernoulli_distribution(p)(random);
}

template <typename T> T Generator::pick(std::initializer_list<std::pair<T, int>> weighted)
{
    int total = 0;
    for (auto const& [value, weight] : weighted)
        total += weight;
    int roll = uniform(0, total - 1);
    for (auto const& [value, weight] : weighted) {
        if (roll < weight)
            return value;
        roll -= weight;
    }
    return weighted.begin()->first;
}

Faults Generator::new_faults()
{
    Faults f;
    if (chance(0.08))
        f.otpDumpBytes = pick<int>({{0, 1}, {16, 1}});
    if (chance(0.08))
        f.infoDumpBytes = pick<int>({{0, 1}, {16, 1}, {1024, 1}});
    f.infoReadFails = chance(0.06);
    f.flipReadback = chance(0.12);
    return f;
}

UnitSpec Generator::new_unit()
{
    UnitSpec spec;
    spec.serial = QStringLiteral("2B5F%1").arg(++units_made, 8, 16, QLatin1Char('0')).toUpper();
    spec.product = pick<Product>({{Product::Rel41, 50},
                                  {Product::K7, 9},
                                  {Product::K7OldCode, 5},
                                  {Product::Rel41ThenK7, 10},
                                  {Product::BlankOtp, 16},
                                  {Product::UnreadableOtp, 5}});
    spec.flash = pick<Flash>(
        {{Flash::Rel41C3, 35}, {Flash::Image, 35}, {Flash::Blank, 18}, {Flash::OtherProduct, 12}});
    spec.faults = new_faults();
    units.insert(spec.serial, spec);
    return spec;
}

Action Generator::device_action(Kind kind)
{
    Action a;
    a.kind = kind;
    switch (kind) {
    case Kind::Plug:
    case Kind::Replace:
        a.unit = new_unit();
        present_serials = QStringList{a.unit.serial};
        break;
    case Kind::PlugSecond:
        a.unit = new_unit();
        present_serials << a.unit.serial;
        break;
    case Kind::Replug: {
        QStringList absent;
        for (auto const& serial : units.keys())
            if (!present_serials.contains(serial))
                absent << serial;
        a.serial = absent.at(uniform(0, absent.size() - 1));
        present_serials = QStringList{a.serial};
        break;
    }
    case Kind::Unplug:
        present_serials.clear();
        break;
    case Kind::SetFaults:
        a.unit = units.value(present_serials.front());
        a.unit.faults = new_faults();
        units.insert(a.unit.serial, a.unit);
        break;
    default:
        break;
    }
    return a;
}

Action Generator::next()
{
    bool const known_absent = units.size() > present_serials.size();
    int const n = present_serials.size();
    Kind const kind = n == 0   ? pick<Kind>({{Kind::Plug, 30},
                                             {Kind::Replug, known_absent ? 8 : 0},
                                             {Kind::Click, 5},
                                             {Kind::KeyA, 4},
                                             {Kind::Stall, 22},
                                             {Kind::Wait, 32}})
                      : n == 1 ? pick<Kind>({{Kind::Unplug, 11},
                                             {Kind::Replace, 12},
                                             {Kind::Replug, known_absent ? 3 : 0},
                                             {Kind::PlugSecond, 2},
                                             {Kind::SetFaults, 5},
                                             {Kind::Click, 16},
                                             {Kind::KeyA, 8},
                                             {Kind::Stall, 21},
                                             {Kind::Wait, 26}})
                               : pick<Kind>({{Kind::Unplug, 20},
                                             {Kind::Replace, 10},
                                             {Kind::Click, 5},
                                             {Kind::KeyA, 2},
                                             {Kind::Stall, 22},
                                             {Kind::Wait, 30}});
    if (kind == Kind::Stall || kind == Kind::Wait) {
        Action a;
        a.kind = kind;
        a.ms = chance(0.7) ? uniform(5, 60) : uniform(60, 250);
        return a;
    }
    if (kind == Kind::Click || kind == Kind::KeyA) {
        Action a;
        a.kind = kind;
        return a;
    }
    return device_action(kind);
}

} // namespace Churn
