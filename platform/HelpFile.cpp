#include "platform/HelpFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

namespace qm {

namespace {

constexpr const char* kFirstLine = "Quillmart Help 1";
constexpr size_t kMaxBytes = 4 * 1024 * 1024;

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t p; (p = s.find(sep, start)) != std::string::npos; start = p + 1)
        parts.push_back(s.substr(start, p - start));
    parts.push_back(s.substr(start));
    return parts;
}

std::string Escape(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Escapes a line and turns its [[n|text]] links into anchors.
std::string InlineHtml(const std::string& line)
{
    std::string out;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t open = line.find("[[", pos);
        const size_t close = open == std::string::npos ? std::string::npos : line.find("]]", open + 2);
        if (close == std::string::npos) {
            out += Escape(line.substr(pos));
            break;
        }
        out += Escape(line.substr(pos, open - pos));
        const std::string link = line.substr(open + 2, close - open - 2);
        const size_t bar = link.find('|');
        const std::string target = Trim(link.substr(0, bar));
        const std::string text = bar == std::string::npos ? target : Trim(link.substr(bar + 1));
        const bool numeric =
            !target.empty() && target.size() <= 9 &&
            std::all_of(target.begin(), target.end(), [](char c) { return c >= '0' && c <= '9'; });
        out +=
            numeric ? "<a href=\"help:" + target + "\">" + Escape(text) + "</a>" : Escape("[[" + link + "]]");
        pos = close + 2;
    }
    return out;
}

} // namespace

HelpFile HelpFile::Load(const std::string& fileName)
{
    const AnsiString path = FromFileName(fileName); // as the user reads it
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw EInOutError("The help file \"" + path +
                          "\" cannot be opened. Quillmart's help is missing; please "
                          "install the program again.");
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, size_t(in.gcount()));
        if (text.size() > kMaxBytes)
            throw EInOutError("The help file \"" + path +
                              "\" is damaged: it is far larger than a help file can be.");
    }
    return Parse(text, path);
}

HelpFile HelpFile::Parse(const std::string& text, const std::string& name)
{
    auto damaged = [&](size_t line, const std::string& why) {
        return EInOutError("The help file \"" + name + "\" is damaged (line " + std::to_string(line) +
                           "): " + why);
    };
    if (text.size() > kMaxBytes)
        throw damaged(1, "it is far larger than a help file can be.");
    HelpFile file;
    HelpTopic* current = nullptr;
    size_t lineNo = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lineNo == 1) {
            if (line.rfind("\xEF\xBB\xBF", 0) == 0)
                line.erase(0, 3);
            if (line != kFirstLine)
                throw damaged(1, "it does not begin as a Quillmart help file.");
            continue;
        }
        if (line.rfind("#!", 0) == 0)
            continue;
        if (line.rfind("===", 0) == 0) {
            const auto parts = Split(line.substr(3), '|');
            const std::string number = Trim(parts[0]);
            if (number.empty() || number.size() > 9 ||
                !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
                throw damaged(lineNo, "a topic has no context number.");
            if (parts.size() < 2 || Trim(parts[1]).empty())
                throw damaged(lineNo, "a topic has no title.");
            const int context = std::stoi(number);
            if (file.topics_.count(context))
                throw damaged(lineNo, "the topic " + number + " is there twice.");
            HelpTopic& topic = file.topics_[context];
            topic.Context = context;
            topic.Title = Trim(parts[1]);
            if (parts.size() > 2)
                for (const auto& k : Split(parts[2], ','))
                    if (!Trim(k).empty())
                        topic.Keywords.push_back(Trim(k));
            current = &topic;
            continue;
        }
        if (current)
            current->Body += line + "\n";
    }
    if (lineNo == 0)
        throw damaged(1, "it is empty.");
    return file;
}

const HelpTopic* HelpFile::Find(int context) const
{
    const auto it = topics_.find(context);
    return it == topics_.end() ? nullptr : &it->second;
}

std::vector<std::pair<std::string, int>> HelpFile::Index() const
{
    std::vector<std::pair<std::string, int>> index;
    for (const auto& [context, topic] : topics_) {
        index.emplace_back(topic.Title, context);
        for (const auto& k : topic.Keywords)
            index.emplace_back(k, context);
    }
    auto lower = [](std::string s) {
        for (char& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::stable_sort(index.begin(), index.end(),
                     [&](const auto& a, const auto& b) { return lower(a.first) < lower(b.first); });
    index.erase(std::unique(index.begin(), index.end()), index.end());
    return index;
}

std::string HelpFile::BodyHtml(const HelpTopic& topic)
{
    std::string html = "<h2>" + Escape(topic.Title) + "</h2>\n";
    std::string paragraph;
    bool inList = false;
    auto flush = [&] {
        if (!paragraph.empty())
            html += "<p>" + paragraph + "</p>\n";
        paragraph.clear();
    };
    auto endList = [&] {
        if (inList)
            html += "</ul>\n";
        inList = false;
    };
    std::istringstream in(topic.Body);
    for (std::string line; std::getline(in, line);) {
        const std::string t = Trim(line);
        if (t.empty()) {
            flush();
            endList();
        } else if (t.rfind("* ", 0) == 0) {
            flush();
            if (!inList)
                html += "<ul>\n";
            inList = true;
            html += "<li>" + InlineHtml(t.substr(2)) + "</li>\n";
        } else if (t.rfind("## ", 0) == 0) {
            flush();
            endList();
            html += "<h3>" + InlineHtml(t.substr(3)) + "</h3>\n";
        } else {
            endList();
            paragraph += (paragraph.empty() ? "" : " ") + InlineHtml(t);
        }
    }
    flush();
    endList();
    return html;
}

} // namespace qm
