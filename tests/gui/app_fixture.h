#pragma once

// The window's tests: the real window offscreen, and a person answering its boxes.
#include "gui/date_field.h"
#include "gui/export_tab.h"
#include "gui/folder_picker.h"
#include "gui/history_window.h"
#include "gui/main_window.h"
#include "gui/path_field.h"
#include "gui/path_text.h"
#include "gui/progress_dialog.h"
#include "gui/settings_tab.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"
#include "support/tidy_layout.h"

#include <deque>
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <vector>

namespace vesko::test {

// A real main window over a settings store of its own (first start: nothing stored).
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { App(); }
    ~MainWindowTest() override
    {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    MainWindow& Window()
    {
        if (!window)
            window = std::make_unique<MainWindow>();
        return *window;
    }
    template <typename W> W* Find(const char* name)
    {
        W* widget = Window().findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    TempDir temp;
    ScopedEnv config { "XDG_CONFIG_HOME", temp / "config" };
    ScopedEnv home { "HOME", temp / "home" };
    std::unique_ptr<MainWindow> window;
};

// What a message box showed.
struct SeenBox {
    QString title, text, informative, parentName, details;
    Qt::TextFormat format;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton defaultButton;
};

// Stands in for the person at the real message boxes: each box that appears is recorded
// and answered with the next scripted button, or with its default button when the script
// is used up.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(std::deque<QMessageBox::StandardButton> script = {})
        : script_(std::move(script))
    {
        connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::Look);
        timer_.start(5);
    }

    std::vector<SeenBox> seen;
    // "title|text|icon" of each box, to compare the whole log at once.
    QString Log() const
    {
        const char* const icons[] = { "none", "information", "warning", "critical", "question" };
        QStringList lines;
        for (const SeenBox& box : seen)
            lines << QStringList({ box.title, box.text, QLatin1String(icons[box.icon]) })
                         .join(QLatin1Char('|'));
        return lines.join(QLatin1Char('\n'));
    }

private:
    void Look()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible() || box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            QAbstractButton* press = box->defaultButton();
            seen.push_back({ box->windowTitle(), box->text(), box->informativeText(),
                box->parentWidget()->objectName(), box->detailedText(), box->textFormat(),
                box->icon(), box->standardButton(press) });
            if (!script_.empty()) {
                press = box->button(script_.front());
                script_.pop_front();
            }
            press->click();
        }
    }

    QTimer timer_;
    std::deque<QMessageBox::StandardButton> script_;
};

} // namespace vesko::test
