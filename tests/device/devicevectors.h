#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <utility>
#include <vector>

// Builders of OTP dumps and firmware information blocks, shared by the tests and the fuzzers'
// seed corpus.
namespace DeviceVectors {

// A 16-byte OTP record: marker, type byte, the three extra bytes and eight data bytes.
QByteArray otp_record(unsigned char type, QByteArray const& extras = QByteArray(3, '\xFF'),
                      QByteArray const& data = QByteArray(8, '\xFF'));
// size bytes of fill with the given parts written over it at their offsets.
QByteArray place(QList<QPair<int, QByteArray>> const& parts, int size, char fill = '\xFF');

// A 32-byte text field; text longer than 31 bytes fills the field without a terminator.
QByteArray text_field(QByteArray const& text);
// A firmware information block from the start marker to the end of the end marker.
QByteArray fw_block(unsigned char type, QByteArray const& name, QByteArray const& revision,
                    QList<QPair<QByteArray, QByteArray>> const& pairs = {},
                    QByteArray const& extras = QByteArray(3, '\xFF'));

QByteArray const otp_marker("\x11\x47\x23\x01", 4);
QByteArray const fw_start_marker("\x12\x47\x23\x01", 4);
QByteArray const fw_end_marker("\x13\x47\x23\x01", 4);

// Named inputs for the fuzzers' seed corpus.
std::vector<std::pair<QString, QByteArray>> otp_seeds();
std::vector<std::pair<QString, QByteArray>> fw_seeds();

} // namespace DeviceVectors
