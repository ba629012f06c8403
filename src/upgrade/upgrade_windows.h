// The two windows of the upgrade tool: Form2 lists the new features, Form1 finds the older
// installation by its page "lumivora_4.html" and upgrades it.
#pragma once

#include "upgrade/copy_list.h"

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <vector>

class QLabel;
class QPushButton;

namespace folio {
class Dialogs;
class DriveList;
class FileList;
class FolderList;
} // namespace folio

namespace folio::upgrade {

class Form2;

// The upgrade window. Loading it opens the features window, which keeps it hidden until "Ok".
// After an upgrade the window closes itself and is destroyed; so does its close box. The tool
// ends when this window is destroyed.
class Form1 : public QWidget {
    Q_OBJECT
public:
    QLabel* Label2 = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;

    // workingFolder holds the delivered files and is where browsing starts.
    Form1(std::filesystem::path workingFolder, Dialogs& dialogs);

    // Loads the window: opens the features window, which hides this one.
    void load();

    // The folder in which "lumivora_4.html" was last clicked; empty when there is none.
    const QString& targetFolder() const { return targetFolder_; }
    // The features window while it is open.
    Form2* featuresWindow() const { return features_; }

    // Places the window inside available, the part of a screen that windows may take, title
    // bar and frame included. A screen too small for the whole window gets it scaled down,
    // layout and all, so that the upgrade button and the status line stay on screen.
    void fitInto(const QRect& available);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void Drive1_Change(const QString& drive);                         // the drive list
    void Dir1_Change(const QString& folder);                          // the folder list
    void File1_Click(const QString& folder, const QString& fileName); // the file list
    void Command1_Click(); // "Upgrade to Quindarome Music Manager 5 pro"

private:
    void buildControls();
    void clearTarget();
    void showStatus(const QString& text);
    QFont statusFont() const;

    // A control as it is placed on a screen that holds the whole window.
    struct Designed {
        QWidget* control;
        QRect geometry;
        QFont font;
    };
    std::vector<Designed> designed_;
    // The window's size on the screen against its designed size: 1, or less on a small screen.
    double scale_ = 1.0;

    std::filesystem::path workingFolder_;
    Dialogs& dialogs_;
    QString targetFolder_;
    // What this run has delivered, so that a retry never calls those files the musician's own.
    UpgradeRun run_;
    QPointer<Form2> features_;
};

// The features window. "Ok" shows the upgrade window and closes this one; its close box ends
// the tool instead, as no upgrade window is shown then.
class Form2 : public QWidget {
    Q_OBJECT
public:
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command1 = nullptr;

    explicit Form2(Form1* upgradeWindow);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Command1_Click(); // "Ok"

private:
    void buildControls();

    QPointer<Form1> upgradeWindow_;
    bool upgradeShown_ = false;
};

} // namespace folio::upgrade
