#include "app/handover_message.h"

#include <QRegularExpression>

namespace corvane {
namespace {

void AppendCount(QByteArray& out, quint32 value) {
    out.append(static_cast<char>((value >> 24) & 0xFF));
    out.append(static_cast<char>((value >> 16) & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
    out.append(static_cast<char>(value & 0xFF));
}

}  // namespace

QByteArray EncodeHandover(const QStringList& lines) {
    QByteArray out;
    AppendCount(out, static_cast<quint32>(lines.size()));
    for (const QString& line : lines) {
        const QByteArray bytes = line.toUtf8();
        AppendCount(out, static_cast<quint32>(bytes.size()));
        out.append(bytes);
    }
    return out;
}

THandoverReader::State THandoverReader::Feed(const QByteArray& bytes) {
    if (state_ != State::Incomplete) {
        // Anything after the end of the message is not ours to read.
        if (!bytes.isEmpty()) state_ = State::Invalid;
        return state_;
    }
    received_ += bytes.size();
    if (received_ > kHandoverMaxBytes) {
        state_ = State::Invalid;
        return state_;
    }
    buffer_.append(bytes);
    Parse();
    return state_;
}

bool THandoverReader::TakeCount(quint32& value) {
    if (buffer_.size() - pos_ < 4) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(buffer_.constData() + pos_);
    value = (quint32{p[0]} << 24) | (quint32{p[1]} << 16) | (quint32{p[2]} << 8) | quint32{p[3]};
    pos_ += 4;
    return true;
}

void THandoverReader::Parse() {
    if (!haveLineCount_) {
        if (!TakeCount(lineCount_)) return;
        haveLineCount_ = true;
        if (lineCount_ > kHandoverMaxLines) {
            state_ = State::Invalid;
            return;
        }
    }
    while (static_cast<quint32>(lines_.size()) < lineCount_) {
        if (buffer_.size() - pos_ < 4) return;
        quint32 length = 0;
        const qsizetype start = pos_;
        TakeCount(length);
        if (length > kHandoverMaxBytes) {
            state_ = State::Invalid;
            return;
        }
        if (buffer_.size() - pos_ < static_cast<qint64>(length)) {
            pos_ = start;  // wait for the whole line
            return;
        }
        lines_.append(QString::fromUtf8(buffer_.constData() + pos_, static_cast<qsizetype>(length)));
        pos_ += length;
    }
    state_ = pos_ == buffer_.size() ? State::Complete : State::Invalid;
    buffer_.clear();
    pos_ = 0;
}

QStringList MakeParametersAbsolute(const QStringList& parameters, const QString& workingFolder) {
    static const QRegularExpression url(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    QString base = workingFolder;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/'))) base.chop(1);
    QStringList out;
    out.reserve(parameters.size());
    for (const QString& parameter : parameters) {
        if (parameter.isEmpty() || parameter.startsWith(QLatin1Char('/')) || url.match(parameter).hasMatch())
            out.append(parameter);
        else if (base == QLatin1String("/"))
            out.append(base + parameter);
        else
            out.append(base + QLatin1Char('/') + parameter);
    }
    return out;
}

}  // namespace corvane
