#include "editor/ui/TextForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "compose/ui/BitmapImage.h"
#include "compose/ui/BitmapView.h"
#include "controls/FormHelpers.h"

namespace editor {

namespace {

// The largest size taken from the size box, in points.
constexpr double kMaxPointSize = 1000;
constexpr int kPreviewZoom = 2;

QLabel* buddyLabel(const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    l->setBuddy(buddy);
    buddy->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return l;
}

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent)
{
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QLatin1String(name));
    c->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return c;
}

} // namespace

const QStringList& TextForm::fontSizes()
{
    static const QStringList sizes = [] {
        QStringList s;
        for (int i = 4; i <= 24; ++i)
            s << QString::number(i);
        for (const int i : {26, 28, 30, 34, 38, 42, 46, 50, 60, 72})
            s << QString::number(i);
        return s;
    }();
    return sizes;
}

double TextForm::sizeValue(const QString& text)
{
    QString compact = text;
    compact.remove(QRegularExpression(QStringLiteral("\\s")));
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch m = number.match(compact);
    return m.hasMatch() ? m.captured(0).toDouble() : 0;
}

sms::MonoBitmap TextForm::renderText(const QString& text, const QFont& font, int width, int height)
{
    QImage image(qMax(1, width), qMax(1, height), QImage::Format_RGB32);
    image.fill(compose::paperColour());
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        QFont f = font;
        f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
        p.setFont(f);
        p.setPen(QColor(0, 0, 0));
        // Drawn from the top-left corner; what passes the edges is cut.
        p.drawText(QRect(0, 0, 1 << 15, 1 << 15), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
    // Only exactly black counts as ink.
    return compose::monoFromImage(image, width, height);
}

TextForm::TextForm(int width, int height, QWidget* parent)
    : QDialog(parent), width_(width), height_(height), rendered_(width, height)
{
    setObjectName(QStringLiteral("frmText"));
    setWindowTitle(QStringLiteral("Enter Text ..."));
    setModal(true);

    txtText_ = new QLineEdit(this);
    txtText_->setObjectName(QStringLiteral("txtText"));
    cmbFonts_ = new QComboBox(this);
    cmbFonts_->setObjectName(QStringLiteral("cmbFonts"));
    cmbFonts_->setEditable(true);
    cmbFonts_->setInsertPolicy(QComboBox::NoInsert);
    cmbFonts_->setMinimumContentsLength(18);
    cmbFontSize_ = new QComboBox(this);
    cmbFontSize_->setObjectName(QStringLiteral("cmbFontSize"));
    cmbFontSize_->setEditable(true);
    cmbFontSize_->setInsertPolicy(QComboBox::NoInsert);
    cmbFontSize_->addItems(fontSizes());
    chkBold_ = checkBox("chkBold", QStringLiteral("&Bold"), this);
    chkItalic_ = checkBox("chkItalic", QStringLiteral("&Italic"), this);
    chkUnderlined_ = checkBox("chkUnderlined", QStringLiteral("&Underline"), this);
    chkStrikeThrough_ = checkBox("chkStrikeThrough", QStringLiteral("&Strikethrough"), this);
    picText_ = new compose::BitmapView(width, height, kPreviewZoom, this);
    picText_->setObjectName(QStringLiteral("picText"));
    picText_->setAccessibleName(QStringLiteral("Preview"));
    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(buddyLabel(QStringLiteral("&Text"), txtText_, this), 0, 0);
    grid->addWidget(txtText_, 0, 1, 1, 3);
    grid->addWidget(buddyLabel(QStringLiteral("&Font"), cmbFonts_, this), 1, 0);
    grid->addWidget(cmbFonts_, 1, 1);
    grid->addWidget(buddyLabel(QStringLiteral("Si&ze"), cmbFontSize_, this), 1, 2);
    grid->addWidget(cmbFontSize_, 1, 3);
    nameInnerEdit(cmbFonts_);
    nameInnerEdit(cmbFontSize_);
    grid->setColumnStretch(1, 1);
    auto* styles = new QHBoxLayout;
    styles->addWidget(chkBold_);
    styles->addWidget(chkItalic_);
    styles->addWidget(chkUnderlined_);
    styles->addWidget(chkStrikeThrough_);
    styles->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(styles);
    outer->addWidget(picText_, 0, Qt::AlignHCenter);
    outer->addLayout(buttons);

    setTabOrder(txtText_, cmbFonts_);
    setTabOrder(cmbFonts_, cmbFontSize_);
    setTabOrder(cmbFontSize_, chkBold_);
    setTabOrder(chkBold_, chkItalic_);
    setTabOrder(chkItalic_, chkUnderlined_);
    setTabOrder(chkUnderlined_, chkStrikeThrough_);
    setTabOrder(chkStrikeThrough_, cmdOK_);
    setTabOrder(cmdOK_, cmdCancel_);

    // The fifth size, "8", then every font, with the default face chosen.
    cmbFontSize_->setCurrentIndex(4);
    cmbFonts_->addItems(QFontDatabase::families());
    int face = cmbFonts_->findText(QStringLiteral("MS Sans Serif"), Qt::MatchStartsWith);
    if (face < 0)
        face = cmbFonts_->findText(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    cmbFonts_->setCurrentIndex(face < 0 ? 0 : face);

    connect(txtText_, &QLineEdit::textChanged, this, &TextForm::repaintText);
    connect(cmbFonts_, &QComboBox::currentTextChanged, this, &TextForm::repaintText);
    connect(cmbFontSize_, &QComboBox::currentTextChanged, this, &TextForm::repaintText);
    for (QCheckBox* c : {chkBold_, chkItalic_, chkUnderlined_, chkStrikeThrough_})
        connect(c, &QCheckBox::toggled, this, &TextForm::repaintText);
    connect(cmdOK_, &QPushButton::clicked, this, &TextForm::confirm);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    repaintText();
    // Typing goes into the text, not over the font's name.
    txtText_->setFocus();
}

QFont TextForm::chosenFont() const
{
    QFont f(cmbFonts_->currentText());
    // Points as on a 96-dot screen: the default 8 points are 11 pixels.
    f.setPixelSize(qMax(1, qRound(pointSize_ * 96.0 / 72.0)));
    f.setBold(chkBold_->isChecked());
    f.setItalic(chkItalic_->isChecked());
    f.setUnderline(chkUnderlined_->isChecked());
    f.setStrikeOut(chkStrikeThrough_->isChecked());
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return f;
}

void TextForm::repaintText()
{
    const double size = sizeValue(cmbFontSize_->currentText());
    if (size > 0 && size <= kMaxPointSize)
        pointSize_ = size;
    rendered_ = renderText(txtText_->text(), chosenFont(), width_, height_);
    picText_->setBitmap(rendered_);
}

void TextForm::confirm()
{
    txtText_->setText(txtText_->text().trimmed());
    repaintText();
    emit textPlaced(rendered_);
    accept();
}

} // namespace editor
