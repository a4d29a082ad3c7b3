#pragma once
// frmText, "Enter Text ...": a line of text in a chosen font, size and
// style, shown as the one-bit picture it makes; OK hands that picture to
// the editor, which places its ink as a floating selection.
#include <QDialog>
#include <QFont>

#include "sms/MonoBitmap.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace compose {
class BitmapView;
}

namespace editor {

class TextForm : public QDialog {
    Q_OBJECT
public:
    // width x height: the editor's picture.
    TextForm(int width, int height, QWidget* parent = nullptr);

    // The preview's picture: the text drawn from the top-left corner.
    const sms::MonoBitmap& rendered() const { return rendered_; }
    // The font the boxes choose now.
    QFont chosenFont() const;

    // The size list's entries.
    static const QStringList& fontSizes();
    // The text in the font, as ink on paper, width x height from the
    // top-left corner; only pixels drawn exactly in the ink colour are ink.
    static sms::MonoBitmap renderText(const QString& text, const QFont& font, int width, int height);
    // The leading number of a size text ("8", " 12pt", "10.5"); 0 when none.
    static double sizeValue(const QString& text);

    QLineEdit* txtText() const { return txtText_; }
    QComboBox* cmbFonts() const { return cmbFonts_; }
    QComboBox* cmbFontSize() const { return cmbFontSize_; }
    QCheckBox* chkBold() const { return chkBold_; }
    QCheckBox* chkItalic() const { return chkItalic_; }
    QCheckBox* chkUnderlined() const { return chkUnderlined_; }
    QCheckBox* chkStrikeThrough() const { return chkStrikeThrough_; }
    compose::BitmapView* picText() const { return picText_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

signals:
    // OK: the trimmed text's picture (all paper for empty text).
    void textPlaced(const sms::MonoBitmap& rendered);

private:
    void repaintText();
    void confirm();

    int width_;
    int height_;
    // A size text with no usable number keeps the last good size.
    double pointSize_ = 8;
    sms::MonoBitmap rendered_;

    QLineEdit* txtText_ = nullptr;
    QComboBox* cmbFonts_ = nullptr;
    QComboBox* cmbFontSize_ = nullptr;
    QCheckBox* chkBold_ = nullptr;
    QCheckBox* chkItalic_ = nullptr;
    QCheckBox* chkUnderlined_ = nullptr;
    QCheckBox* chkStrikeThrough_ = nullptr;
    compose::BitmapView* picText_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

} // namespace editor
