#pragma once
// The program's help file: topics, each with a context number, a title, index keywords and a
// body, in a text file of our own (UTF-8):
//
//   Quillmart Help 1                         the first line, always
//   === 2750 | Resetting purchased items | reset, purchased, shopping trip
//   Body text. A blank line separates paragraphs; a line starting with "* " is a list entry,
//   "## " a subheading; [[3420|Editing an item]] links to another topic.
//
// Topic 0 is the contents page. Lines before the first topic and lines starting with "#!"
// are comments.
#include <map>
#include <string>
#include <vector>

namespace qm {

struct HelpTopic {
    int Context = 0;
    std::string Title;
    std::vector<std::string> Keywords;
    std::string Body; // the topic's text lines, as written
};

class HelpFile {
public:
    // Reads and checks the file. A missing, unreadable or damaged file (a wrong first line, a
    // topic header without number or title, a context given twice, more than 4 MB) raises
    // EInOutError with a message naming the file and the line.
    static HelpFile Load(const std::string& path);
    static HelpFile Parse(const std::string& text, const std::string& nameForMessages);

    const HelpTopic* Find(int context) const;
    const std::map<int, HelpTopic>& Topics() const { return topics_; }
    // Every keyword with the topics that list it, sorted by keyword without regard to case.
    std::vector<std::pair<std::string, int>> Index() const;

    // The topic's body as HTML for the help window: paragraphs, lists, subheadings and links
    // ("help:<context>"), every other character escaped.
    static std::string BodyHtml(const HelpTopic& topic);

private:
    std::map<int, HelpTopic> topics_;
};

} // namespace qm
