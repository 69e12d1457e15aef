#include "novel/LayoutReport.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "text/Utf8.h"

namespace tessaro::novel {

namespace {

// A JSON string: quotes, backslashes and control characters escaped, a byte
// that is not part of a UTF-8 character (a file name may hold one) as U+FFFD.
void AppendString(std::string& out, std::string_view text)
{
    out += '"';
    while (!text.empty()) {
        const std::size_t length = Utf8SequenceLength(text);
        const auto byte = static_cast<unsigned char>(text.front());
        if (length == 0) {
            out += "\\ufffd";
        } else if (text.front() == '"' || text.front() == '\\') {
            out += '\\';
            out += text.front();
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(std::max<std::size_t>(length, 1));
    }
    out += '"';
}

void AppendNumber(std::string& out, const char* name, long long value)
{
    out += '"';
    out += name;
    out += "\":";
    out += std::to_string(value);
}

const char* MarkName(const MarkReport& mark)
{
    static constexpr const char* Emphasis[] = {"sesame",   "white-sesame",   "dot",           "white-dot", "triangle",
                                               "white-triangle", "double-circle", "bullseye", "cross"};
    static constexpr const char* Lines[] = {"line", "double-line", "chain-line", "dashed-line", "wavy-line"};
    static constexpr const char* Small[] = {"kaeriten",  "okurigana",   "line-right",
                                            "line-left", "superscript", "subscript"};
    const auto pick = [&](const auto& names) {
        return names[std::min<std::size_t>(mark.Variant, std::size(names) - 1)];
    };
    switch (mark.Kind) {
    case SpanKind::Emphasis:
        return pick(Emphasis);
    case SpanKind::Line:
        return pick(Lines);
    case SpanKind::Small:
        return pick(Small);
    case SpanKind::Warichu:
        return "warichu";
    default:
        return "frame";
    }
}

// What a span of marks covers on the line: its kind, its side when it has
// one, the characters, and for emphasis how many marks it drew.
void AppendMark(std::string& out, const ComposedLine& line, const MarkReport& mark)
{
    out += "{\"kind\":";
    AppendString(out, MarkName(mark));
    if (mark.Kind == SpanKind::Emphasis || mark.Kind == SpanKind::Line)
        out += mark.Placement == Side::Over ? ",\"side\":\"over\"" : ",\"side\":\"under\"";
    out += ",\"text\":";
    AppendString(out, std::string_view(line.Text).substr(mark.Range.Begin - line.Line.Text.Begin,
                                                         mark.Range.End - mark.Range.Begin));
    if (mark.Kind == SpanKind::Emphasis) {
        out += ',';
        AppendNumber(out, "count", mark.Count);
    }
    out += '}';
}

void AppendLine(std::string& out, const ComposedLine& line)
{
    out += '{';
    AppendNumber(out, "x", line.Box.X);
    out += ',';
    AppendNumber(out, "y", line.Box.Y);
    out += ',';
    AppendNumber(out, "w", line.Box.W);
    out += ',';
    AppendNumber(out, "h", line.Box.H);
    if (line.Heading > 0) {
        out += ',';
        AppendNumber(out, "heading", line.Heading);
    }
    if (line.Line.Framed)
        out += ",\"framed\":true";
    out += ",\"text\":";
    AppendString(out, line.Text);
    out += ",\"ruby\":[";
    for (std::size_t i = 0; i < line.Line.Rubies.size(); ++i) {
        out += i == 0 ? "{\"base\":" : ",{\"base\":";
        AppendString(out, line.Line.Rubies[i].Base);
        out += ",\"text\":";
        AppendString(out, line.Line.Rubies[i].Text);
        if (line.Line.Rubies[i].Placement == Side::Under)
            out += ",\"side\":\"under\"";
        if (line.Line.Rubies[i].Note)
            out += ",\"note\":true";
        out += '}';
    }
    out += ']';
    if (!line.Line.Marks.empty()) {
        out += ",\"marks\":[";
        for (std::size_t i = 0; i < line.Line.Marks.size(); ++i) {
            out += i == 0 ? "" : ",";
            AppendMark(out, line, line.Line.Marks[i]);
        }
        out += ']';
    }
    out += '}';
}

}  // namespace

std::string LayoutReportLine(const ComposedPage& page, const std::string& file, int width, int height)
{
    std::string out = "{";
    AppendNumber(out, "page", page.Number);
    out += ",\"file\":";
    AppendString(out, file);
    out += ',';
    AppendNumber(out, "width", width);
    out += ',';
    AppendNumber(out, "height", height);
    out += page.Vertical ? ",\"vertical\":true" : ",\"vertical\":false";
    out += ",\"lines\":[";
    for (std::size_t i = 0; i < page.Lines.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendLine(out, page.Lines[i]);
    }
    out += "]}\n";
    return out;
}

}  // namespace tessaro::novel
