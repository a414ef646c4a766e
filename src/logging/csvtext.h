#pragma once
// The byte-level rules shared by every reader of CSV logs, so that a row
// read on its own (playback) and the same row read with the whole log (the
// graph window) give the same fields, numbers and times. Works on raw
// Latin-1 bytes: no QString per line, no locale.
#include <QFile>
#include <QtGlobal>

#include <algorithm>

#include <cstring>
#include <vector>

class CSVText
{
public:
    static constexpr qint64 DayMs = 24LL * 60 * 60 * 1000;
    static constexpr qint64 HalfDayMs = DayMs / 2;
    // A first line longer than this is no log header.
    static constexpr qint64 MaxHeaderBytes = 64 * 1024;

    enum CellKind { Empty, Number, Text };

    struct Field
    {
        const char *begin;
        const char *end;
    };

    // Splits [b, e) at sep into out (cleared first) and returns the number
    // of fields. A field opening with '"' runs to its closing quote ("" is
    // one quote) and is given without its quotes; anything after the
    // closing quote up to the separator is kept with it.
    static int split(const char *b, const char *e, char sep, std::vector<Field> &out);

    // Splits a data line like split(); -1 for a line that is no row of any
    // width: one holding a NUL byte (what a crash or a full disk leaves in
    // a file; no logged text carries one).
    static int splitRow(const char *b, const char *e, char sep, std::vector<Field> &out)
    {
        if (std::memchr(b, 0, size_t(e - b)) != nullptr) {
            out.clear();
            return -1;
        }
        return split(b, e, sep, out);
    }

    // A cell as a number (NumberText's rule, "." or "," as the decimal
    // character). Empty for a cell of nothing or blanks, Text (value 0) for
    // any other cell that is no number, "nan" and "inf" included: neither
    // is a value of the row.
    static CellKind readNumber(const char *b, const char *e, double &value);

    // A row's time from its first field: milliseconds (fraction dropped;
    // 0 for a negative or unreadable number), or "H:mm:ss" with an optional
    // ",zzz" or ".zzz" as milliseconds since midnight (timeOfDay true; 0
    // and false for a time that does not read).
    static qint64 readTime(const char *b, const char *e, bool &timeOfDay);

    // Strips a trailing "\r" (the line end "\r\n").
    static const char *chopCR(const char *b, const char *e)
    {
        return (e > b && e[-1] == '\r') ? e - 1 : e;
    }
    // Skips a UTF-8 byte order mark.
    static const char *skipBom(const char *b, const char *e)
    {
        return (e - b >= 3 && std::memcmp(b, "\xEF\xBB\xBF", 3) == 0) ? b + 3 : b;
    }

    // Reads the bytes [from, to) of an open file in blocks and hands each
    // line to f(begin, end, whole) without its line end ("\n" or "\r\n");
    // f returns false to stop. A blank line (nothing before its line end) is
    // no row of a log and is not handed over. A line longer than
    // MaxLineBytes is handed over as an empty range with whole false (no
    // memory is spent on it). False when the file could not be read.
    template <class F> static bool forEachLine(QFile &file, qint64 from, qint64 to, F &&f)
    {
        if (to <= from)
            return true;
        if (!file.seek(from))
            return false;
        std::vector<char> buffer(size_t(std::min<qint64>(BlockBytes, to - from)));
        size_t have = 0;
        qint64 pos = from;
        bool skipping = false; // inside an overlong line
        while (pos < to) {
            if (have == buffer.size()) {
                if (qint64(buffer.size()) >= MaxLineBytes) {
                    skipping = true;
                    have = 0;
                } else {
                    buffer.resize(buffer.size() * 2);
                }
            }
            const qint64 want = std::min<qint64>(qint64(buffer.size() - have), to - pos);
            const qint64 got = file.read(buffer.data() + have, want);
            if (got <= 0)
                return false;
            pos += got;
            have += size_t(got);
            const char *p = buffer.data();
            const char *end = p + have;
            while (const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) {
                const bool whole = !skipping;
                skipping = false;
                const char *lineEnd = chopCR(p, nl);
                if (whole && lineEnd == p) {
                    p = nl + 1;
                    continue;
                }
                if (!(whole ? f(p, lineEnd, true) : f(nl, nl, false)))
                    return true;
                p = nl + 1;
            }
            if (pos >= to) {
                if (skipping)
                    f(end, end, false);
                else if (chopCR(p, end) > p)
                    f(p, chopCR(p, end), true);
                return true;
            }
            if (skipping) {
                have = 0;
                continue;
            }
            have = size_t(end - p);
            std::memmove(buffer.data(), p, have);
        }
        return true;
    }

    static constexpr qint64 BlockBytes = 1 << 20;
    static constexpr qint64 MaxLineBytes = 16 << 20;
};

// Times of day across midnight: a time more than 12 h below the one before
// starts a new day.
class CSVDayUnwrap
{
public:
    qint64 apply(qint64 time, bool timeOfDay)
    {
        if (!timeOfDay)
            return time;
        if (m_last >= 0 && time + m_offset < m_last - CSVText::HalfDayMs)
            m_offset += CSVText::DayMs;
        m_last = time + m_offset;
        return m_last;
    }
    qint64 offset() const { return m_offset; }

private:
    qint64 m_last = -1;
    qint64 m_offset = 0;
};
