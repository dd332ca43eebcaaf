#pragma once

#include <memory>

#include <QObject>
#include <QString>

#include <QRect>

#include "common/AppSettings.h"
#include "config/ConfigLayout.h"

class FontColorChooser;
class QDialog;
class QStyle;
class QWidget;
class SettingsStore;

// The settings dialog. This object lives as long as the client; its window
// is built afresh at every opening and destroyed when it closes, and its
// working copy of the settings is read from the store at every opening.
class SettingsDialog : public QObject {
    Q_OBJECT
public:
    SettingsDialog(SettingsStore& store, FontColorChooser& chooser, QObject* parent = nullptr);
    ~SettingsDialog() override;

    // Opens the dialog modally over `parent` and returns once it has closed,
    // having written every setting to the store if the user confirmed.
    void openModal(QWidget* parent);

    // The window while the dialog is open, else null.
    QDialog* openWindow() const;
    // The outcome of the last opening, and the layout now (or last) shown.
    bool accepted() const { return accepted_; }
    const QString& layoutMode() const { return layoutMode_; }
    const AppSettings& editSettings() const { return editSettings_; }

protected:
    // The dialog's key preview: Escape and F12 close it from any control,
    // Enter moves the focus along the dialog's own path.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Controls;

    void createWindow(QWidget* parent);
    void createSimpleFrame();
    void createDetailedFrame();
    void createButtons();
    void placeFrameControls();
    void chainTabOrder();
    template <typename Visit> void visitSettingControls(Visit visit);
    void fillControls();
    void copyControlsBack();
    void saveIfAccepted(QWidget* parent);
    void arrangeLayout(const QString& word);
    void placeButtonRow(double dpi);

    void applyGuestRule();
    void applyMyColorRule();
    void applySaveLogRule();
    void chooseLogFolder();
    void chooseFont();
    void chooseMyColor();
    void toggleLayout();
    void finish(bool accept);

    bool handleEnter(QObject* watched);
    QWidget* enterTarget(QObject* from) const;

    SettingsStore& store_;
    FontColorChooser& chooser_;

    bool accepted_ = false;
    QString layoutMode_;
    AppSettings editSettings_;

    // Where arrangeLayout last put the window, exactly and in pixels: while
    // the window stays there, the next switch starts from the exact place, so
    // switching back and forth never creeps by the pixel rounding.
    ConfigLayout::TwipRect placedOuter_;
    QRect placedPixels_;

    // Outlives the window whose password field uses it.
    std::unique_ptr<QStyle> passwordStyle_;
    std::unique_ptr<QDialog> window_;
    std::unique_ptr<Controls> c_;
};
