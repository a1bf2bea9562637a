#pragma once
// The bytes a second start sends to the first instance: a 32-bit big-endian line count, then each line
// as a 32-bit big-endian byte count and its UTF-8 bytes. Counting bytes instead of ending lines keeps
// file names with line feeds whole. No lines at all is a plain restore request.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane {

// Keeps a local client from making the first instance buffer without end.
inline constexpr quint32 kHandoverMaxLines = 10000;
inline constexpr qint64 kHandoverMaxBytes = 16 * 1024 * 1024;

// The one byte the first instance answers once it has the whole message.
inline constexpr char kHandoverAck = '\x06';

QByteArray EncodeHandover(const QStringList& lines);

// Reads one message as its bytes arrive, in any slices.
class THandoverReader {
public:
    enum class State { Incomplete, Complete, Invalid };

    State Feed(const QByteArray& bytes);
    State CurrentState() const { return state_; }
    const QStringList& Lines() const { return lines_; }

private:
    bool TakeCount(quint32& value);
    void Parse();

    QByteArray buffer_;
    qsizetype pos_ = 0;
    qint64 received_ = 0;
    bool haveLineCount_ = false;
    quint32 lineCount_ = 0;
    QStringList lines_;
    State state_ = State::Incomplete;
};

// The receiver runs in another working folder, so relative file names are made absolute by the sender,
// from its own working folder. URLs ("scheme://...") and empty parameters stay as they are.
QStringList MakeParametersAbsolute(const QStringList& parameters, const QString& workingFolder);

}  // namespace corvane
