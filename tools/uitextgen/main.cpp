// Turns resources/uitext.tsv into a C++ table so the operator texts are part
// of the program and complete before any window exists.
//
// Input: one line per id, "id<TAB>zh_CN<TAB>en<TAB>zh_TW", the id either
// decimal or "1000+n"; inside a text \r \n \t and \\ are escapes. A malformed
// line stops the build rather than leaving a text silently empty.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kIds = 2048;

struct Row {
    int id;
    std::string text[3];
};

bool fail(const std::string& where, const std::string& why)
{
    std::cerr << where << ": " << why << "\n";
    return false;
}

bool parseId(const std::string& s, int& id)
{
    std::string digits = s;
    int base = 0;
    if (s.rfind("1000+", 0) == 0) {
        base = 1000;
        digits = s.substr(5);
    }
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    id = base + std::stoi(digits);
    return id >= 0 && id < kIds;
}

bool unescape(const std::string& in, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size())
            return false;
        switch (in[i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default: return false;
        }
    }
    return true;
}

// Strict UTF-8 check: the table is converted with fromUtf8 and a bad byte
// would show as a replacement character on the panel.
bool validUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; min = 0x10000; }
        else return false;
        if (i + extra >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string cLiteral(const std::string& s)
{
    std::string out = "\"";
    char buf[8];
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F && c != '?') {
            out += static_cast<char>(c);
        } else {
            // Octal escapes take at most three digits, so a following digit
            // cannot be swallowed as it would be after a hex escape.
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        }
    }
    return out + "\"";
}

bool readTable(const char* path, std::vector<Row>& rows)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(path, "cannot be read");
    std::set<int> seen;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string where = std::string(path) + ":" + std::to_string(lineNo);
        if (!line.empty() && line.back() == '\r')
            return fail(where, "carriage return at the end of the line (write it as \\r)");
        // The table is compiled into C strings: a NUL would end a text early.
        if (line.find('\0') != std::string::npos)
            return fail(where, "NUL byte in the line");
        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        if (fields.size() != 4)
            return fail(where, "expected 4 tab-separated fields, found " + std::to_string(fields.size()));
        Row row;
        if (!parseId(fields[0], row.id))
            return fail(where, "bad id \"" + fields[0] + "\"");
        if (!seen.insert(row.id).second)
            return fail(where, "id " + fields[0] + " appears twice");
        for (int l = 0; l < 3; ++l) {
            if (!unescape(fields[l + 1], row.text[l]))
                return fail(where, "bad escape in column " + std::to_string(l + 2));
            if (!validUtf8(row.text[l]))
                return fail(where, "column " + std::to_string(l + 2) + " is not UTF-8");
        }
        rows.push_back(row);
    }
    if (rows.empty())
        return fail(path, "no rows");
    return true;
}

bool writeSource(const char* path, const std::vector<Row>& rows)
{
    const std::string tmp = std::string(path) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return fail(tmp, "cannot be written");
        out << "// Generated by uitextgen from resources/uitext.tsv; edit that file instead.\n"
               "#include \"foundation/UiTextRows.h\"\n\n"
               "const UiTextRow kUiTextRows[] = {\n";
        for (const Row& r : rows) {
            out << "    {" << r.id;
            for (const std::string& t : r.text)
                out << ", " << cLiteral(t);
            out << "},\n";
        }
        out << "};\n\nconst int kUiTextRowCount = " << rows.size() << ";\n";
        if (!out.flush())
            return fail(tmp, "write failed");
    }
    if (std::rename(tmp.c_str(), path) != 0)
        return fail(path, "cannot replace");
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: uitextgen <uitext.tsv> <out.cpp>\n";
        return 2;
    }
    std::vector<Row> rows;
    if (!readTable(argv[1], rows) || !writeSource(argv[2], rows))
        return 1;
    return 0;
}
