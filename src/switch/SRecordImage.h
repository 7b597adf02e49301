// A firmware image as the firmware-check server hands it over: a version line followed by
// Motorola S-record lines. Knows which lines travel to the switch (S0, S1, S9) with which
// command code, and checks those lines before anything is written, so that a damaged
// download never reaches the switch's flash.
#pragma once

#include <QList>
#include <QString>
#include <optional>

class SRecordImage
{
public:
    enum class Kind { Skipped, Header, Data, End };

    // Command codes the switch expects in the record header for each kind.
    static constexpr int kCommandHeader = 0xF0;
    static constexpr int kCommandData = 0xF1;
    static constexpr int kCommandEnd = 0xF2;

    struct Line {
        QString text; // sent whole and unchanged, a trailing carriage return included
        Kind kind = Kind::Skipped;
    };

    // Splits at every line feed. Component 0 is the version line; every later component,
    // a final empty one included, is a line of the image.
    static SRecordImage fromText(const QString &text);

    const QString &versionLine() const { return mVersionLine; }
    const QList<Line> &lines() const { return mLines; }

    // Decided on the first two characters only, in the order S0, S1, S9.
    static Kind kindOf(const QString &line);
    // 0xF0, 0xF1, 0xF2, or 0 for a skipped line.
    static int commandFor(Kind kind);

    // Why the image must not be written ("line 7: checksum is 3A, the record needs 3B"),
    // or nullopt when every line that would be sent is a well-formed S-record, there is at
    // least one data record, and an end record follows the last one. Skipped lines are not
    // judged.
    std::optional<QString> validationError() const;
    // Whether any line is a data (S1) record, well-formed or not.
    bool hasDataRecords() const;

    // Why one S0/S1/S9 line is not a well-formed record, or nullopt. One trailing carriage
    // return is allowed; everything else must be hexadecimal digits forming the count
    // byte, at least a 16-bit address and the checksum, with the count equal to the bytes
    // that follow it and the checksum the ones' complement of the sum of the others.
    static std::optional<QString> recordError(const QString &line);

private:
    QString mVersionLine;
    QList<Line> mLines;
};
