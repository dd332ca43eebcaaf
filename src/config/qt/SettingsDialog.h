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
    bool accepted() const { return Accepted; }
    const QString& layoutMode() const { return LayoutMode; }
    const AppSettings& editSettings() const { return EditSettings; }

protected:
    // The dialog's key preview: Escape and F12 close it from any control,
    // Enter moves the focus along the dialog's own path.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Controls;

    void CreateWindow(QWidget* parent);
    void CreateSimpleFrame();
    void CreateDetailedFrame();
    void CreateButtons();
    void PlaceFrameControls();
    void SetTabOrder();
    void FillControls();
    void CopyControlsBack();
    void SaveIfAccepted(QWidget* parent);
    void ArrangeLayout(const QString& word);
    void PlaceButtonRow(double dpi);

    void ApplyGuestRule();
    void ApplyMyColorRule();
    void chooseFont();
    void chooseMyColor();
    void toggleLayout();
    void finish(bool accept);

    bool HandleEnter(QObject* watched);
    QWidget* EnterTarget(QObject* from) const;

    SettingsStore& store_;
    FontColorChooser& chooser_;

    bool Accepted = false;
    QString LayoutMode;
    AppSettings EditSettings;

    // Where ArrangeLayout last put the window, exactly and in pixels: while
    // the window stays there, the next switch starts from the exact place, so
    // switching back and forth never creeps by the pixel rounding.
    ConfigLayout::TwipRect placedOuter_;
    QRect placedPixels_;

    // Outlives the window whose password field uses it.
    std::unique_ptr<QStyle> passwordStyle_;
    std::unique_ptr<QDialog> window_;
    std::unique_ptr<Controls> c_;
};
