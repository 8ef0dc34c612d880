#pragma once
// The program's help: HTML pages shipped in the "help" folder beside the
// program, shown in a browser window of its own at the contents or at a topic.

#include <QDialog>

class QTextBrowser;

namespace quillon::engine {
class WindowSeam;
}

namespace quillon::app {

enum class HelpTopic : int { Contents = 0, Preferences = 10, Split = 11 };

// The page of a topic, relative to the help folder.
[[nodiscard]] QString HelpPage(HelpTopic topic);

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    // seam reports a missing help folder.
    HelpViewer(engine::WindowSeam& seam, QWidget* parent);

    // Shows the window at topic; an error box when the page is missing.
    void ShowTopic(HelpTopic topic);
    [[nodiscard]] QString CurrentPage() const;

private:
    engine::WindowSeam& seam_;
    QTextBrowser* browser_;
};

}  // namespace quillon::app
