#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <string_view>
#include <unordered_set>

// The stream addresses found by the Grep Tool, in the order they were accepted, each once.
// Emptied when the dialog opens and read by the main window after it closes. GUI thread.
class FoundLinks {
public:
    // False, and nothing added, when the list holds that exact text already.
    bool addUniqueLink(const QString& link);
    bool contains(QStringView link) const;
    void clear();
    const QStringList& links() const { return links_; }
    qsizetype size() const { return links_.size(); }

    struct ViewHash {
        size_t operator()(QStringView s) const
        {
            return std::hash<std::u16string_view>()(
                std::u16string_view(s.utf16(), size_t(s.size())));
        }
    };

private:
    QStringList links_;
    std::unordered_set<QStringView, ViewHash> seen_;
};

// Scans a page for addresses starting "http" (exact case), cut at the first blank, quote,
// bracket or one of "$&'()*+,;=<>", and adds every candidate not seen before to found. A
// candidate may be an audio stream: pages, pictures, scripts, style sheets, tracking and
// search addresses, HLS playlists and a list of path codes are not (letter case ignored).
// Returns the links added by this call, in page order.
QStringList extractLinks(QStringView text, FoundLinks& found);
