#include "addressbook/ui/FileImportForm.h"

#include "controls/WindowServices.h"
#include "controls/FormHelpers.h"
#include "addressbook/AddressGroups.h"
#include "base/UserPrompt.h"
#include "controls/PopButton.h"
#include "mainwindow/IconStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace addrx {

namespace {

const QString kDragFormat = QStringLiteral("application/x-velquarin-importfield");

// Hundredths of a millimetre to pixels at 96 dpi.
int hmm(int v) { return v * 96 / 2540; }

// The four pictures of the file button, from the style's open-folder icon.
void setFilePictures(PopButton* b, QStyle* style)
{
    const QIcon icon = style->standardIcon(QStyle::SP_DirOpenIcon);
    const QSize size(28, 28);
    auto face = [&](bool frame, bool sunken, QIcon::Mode mode) {
        QPixmap p(size);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        const int shift = sunken ? 1 : 0;
        painter.drawPixmap(4 + shift, 4 + shift, icon.pixmap(20, 20, mode));
        if (frame) {
            painter.setPen(sunken ? Qt::darkGray : Qt::white);
            painter.drawLine(0, 0, size.width() - 1, 0);
            painter.drawLine(0, 0, 0, size.height() - 1);
            painter.setPen(sunken ? Qt::white : Qt::darkGray);
            painter.drawLine(size.width() - 1, 0, size.width() - 1, size.height() - 1);
            painter.drawLine(0, size.height() - 1, size.width() - 1, size.height() - 1);
        }
        return p;
    };
    b->setInactivePicture(face(false, false, QIcon::Normal));
    b->setUpPicture(face(true, false, QIcon::Active));
    b->setDownPicture(face(true, true, QIcon::Active));
    b->setDisabledPicture(face(false, false, QIcon::Disabled));
    b->setFixedSize(size);
}

QLabel* labelFor(QWidget* buddy, const QString& caption, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    l->setBuddy(buddy);
    buddy->setAccessibleName(QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return l;
}

} // namespace

// ------------------------------------------------------------ MapList

MapList::MapList(Side side, QWidget* parent) : QTreeWidget(parent), side_(side)
{
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAllColumnsShowFocus(true);
}

void MapList::startDrag(Qt::DropActions)
{
    QTreeWidgetItem* item = currentItem();
    if (!item)
        return;
    auto* data = new QMimeData;
    const int number = indexOfTopLevelItem(item) + 1;
    data->setData(kDragFormat, QByteArray(side_ == Side::From ? "from:" : "to:") + QByteArray::number(number));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(IconStore::statusIcon(QStringLiteral("imgDrag")).pixmap(32, 32));
    drag->exec(Qt::LinkAction);
}

bool MapList::readDrag(const QMimeData* data, Side* from, int* number) const
{
    if (!data || !data->hasFormat(kDragFormat))
        return false;
    const QByteArray raw = data->data(kDragFormat);
    const qsizetype colon = raw.indexOf(':');
    if (colon < 0)
        return false;
    bool ok = false;
    *number = raw.mid(colon + 1).toInt(&ok);
    *from = raw.left(colon) == "from" ? Side::From : Side::To;
    return ok && *number > 0;
}

bool MapList::accepts(const QMimeData* data) const
{
    Side from;
    int number;
    // Fields go from the file's list to the address fields and back; a
    // drag within one list does nothing.
    return readDrag(data, &from, &number) && from != side_;
}

void MapList::dragEnterEvent(QDragEnterEvent* event)
{
    if (accepts(event->mimeData())) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void MapList::dragMoveEvent(QDragMoveEvent* event)
{
    if (!accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    if (side_ == Side::To) {
        // The address field under the pointer is the drop highlight.
        QTreeWidgetItem* item = itemAt(event->position().toPoint());
        clearSelection();
        if (item)
            item->setSelected(true);
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

void MapList::dragLeaveEvent(QDragLeaveEvent* event)
{
    if (side_ == Side::To)
        clearSelection();
    QTreeWidget::dragLeaveEvent(event);
}

void MapList::dropEvent(QDropEvent* event)
{
    Side from;
    int number;
    if (!readDrag(event->mimeData(), &from, &number) || from == side_) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
    if (side_ == Side::To) {
        QTreeWidgetItem* item = itemAt(event->position().toPoint());
        clearSelection();
        if (item)
            emit mapRequested(indexOfTopLevelItem(item) + 1, number);
    } else {
        emit unmapRequested(number);
    }
}

// ------------------------------------------------------------ the wizard

FileImportForm::FileImportForm(Database& db, UserPrompt& prompt, WindowServices& windows, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt), windows_(windows), logPath_(importLogPath())
{
    setObjectName(QStringLiteral("frmFileImport"));
    setWindowTitle(QStringLiteral("Import to Address Book"));
    setAttribute(Qt::WA_DeleteOnClose);

    pages_ = new QStackedWidget(this);
    auto* page1 = new QWidget(pages_);
    page1->setObjectName(QStringLiteral("Picture1"));
    auto* page2 = new QWidget(pages_);
    page2->setObjectName(QStringLiteral("Picture2"));
    pages_->addWidget(page1);
    pages_->addWidget(page2);

    cmdPrevious_ = new QPushButton(QStringLiteral("< &Previous"), this);
    cmdPrevious_->setObjectName(QStringLiteral("cmdPrevious"));
    cmdNext_ = new QPushButton(QStringLiteral("&Next >"), this);
    cmdNext_->setObjectName(QStringLiteral("cmdNext"));
    cmdImport_ = new QPushButton(QStringLiteral("&Import"), this);
    cmdImport_->setObjectName(QStringLiteral("cmdImport"));
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {cmdPrevious_, cmdNext_, cmdImport_, cmdCancel_})
        b->setAutoDefault(false);

    buildStep1(page1);
    buildStep2(page2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdPrevious_);
    buttons->addWidget(cmdNext_);
    buttons->addWidget(cmdImport_);
    buttons->addSpacing(12);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons);

    connect(cmdNext_, &QPushButton::clicked, this, &FileImportForm::cmdNext_Click);
    connect(cmdPrevious_, &QPushButton::clicked, this, &FileImportForm::cmdPrevious_Click);
    connect(cmdImport_, &QPushButton::clicked, this, &FileImportForm::cmdImport_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    // Step 1, Next waiting for a file. Tab goes round the step's controls;
    // the hidden step's controls are passed over.
    QWidget* const chain[] = {cmdFile_, cboGroup_, optReplace_[1], optReplace_[0], cmdNext_,
                              lsvFrom_, cmdMap_,   cmdUnmap_,      lsvTo_,         chkHeader_,
                              cmdPrevious_, cmdImport_, cmdCancel_};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    cmdNext_->setEnabled(false);
    cmdImport_->setEnabled(false);
    showStep(1);
    resize(hmm(16500), hmm(11000));
}

void FileImportForm::buildStep1(QWidget* page)
{
    cmdFile_ = new PopButton(page);
    cmdFile_->setObjectName(QStringLiteral("cmdFile"));
    cmdFile_->setToolTip(QStringLiteral("Select File to Import"));
    cmdFile_->setAccessibleName(QStringLiteral("Select File to Import"));
    cmdFile_->setFocusPolicy(Qt::StrongFocus);
    cmdFile_->installEventFilter(this);
    setFilePictures(cmdFile_, style());
    connect(cmdFile_, &PopButton::clicked, this, &FileImportForm::cmdFile_Click);

    txtFile_ = new QLineEdit(page);
    txtFile_->setObjectName(QStringLiteral("txtFile"));
    txtFile_->setReadOnly(true);
    txtFile_->setFocusPolicy(Qt::ClickFocus);
    connect(txtFile_, &QLineEdit::textChanged, this,
            [this](const QString& name) { cmdNext_->setEnabled(!name.isEmpty() && QFileInfo(name).isFile()); });

    cboGroup_ = new QComboBox(page);
    cboGroup_->setObjectName(QStringLiteral("cboGroup"));
    cboGroup_->addItem(QStringLiteral("Do Not Add To Group!"));
    cboGroup_->addItems(AddressGroups(db_).allGroups());
    cboGroup_->setCurrentIndex(0);

    auto* options = new QGroupBox(QStringLiteral("Options"), page);
    options->setObjectName(QStringLiteral("fraOptions"));
    optReplace_[1] = new QRadioButton(QStringLiteral("&Replace duplicates with items imported"), options);
    optReplace_[1]->setObjectName(QStringLiteral("optReplace1"));
    optReplace_[1]->setToolTip(QStringLiteral("Replace record if Mobile Number is already in the Address Book"));
    optReplace_[0] = new QRadioButton(QStringLiteral("&Do not import duplicate items"), options);
    optReplace_[0]->setObjectName(QStringLiteral("optReplace0"));
    optReplace_[0]->setToolTip(QStringLiteral("Skip record if Mobile Number is already in the Address Book"));
    optReplace_[1]->setChecked(true);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(optReplace_[1]);
    optionsLayout->addWidget(optReplace_[0]);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(txtFile_, 1);
    fileRow->addWidget(cmdFile_);
    auto* grid = new QGridLayout(page);
    grid->addWidget(labelFor(txtFile_, QStringLiteral("File to Import:"), page), 0, 0);
    grid->addLayout(fileRow, 1, 0);
    grid->addWidget(labelFor(cboGroup_, QStringLiteral("Add imported items to &Group:"), page), 2, 0);
    grid->addWidget(cboGroup_, 3, 0);
    grid->addWidget(options, 4, 0);
    grid->setRowStretch(5, 1);
}

void FileImportForm::buildStep2(QWidget* page)
{
    lsvFrom_ = new MapList(MapList::Side::From, page);
    lsvFrom_->setObjectName(QStringLiteral("lsvFrom"));
    lsvFrom_->setHeaderLabels({QStringLiteral("Value")});
    lsvTo_ = new MapList(MapList::Side::To, page);
    lsvTo_->setObjectName(QStringLiteral("lsvTo"));
    lsvTo_->setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Mapped From")});
    lsvTo_->setColumnWidth(0, hmm(2540) + 24);
    connect(lsvTo_, &MapList::mapRequested, this, &FileImportForm::mapTarget);
    connect(lsvFrom_, &MapList::unmapRequested, this, &FileImportForm::unmapTarget);

    // Besides the drag: choose a field in each list, then Map (or Unmap).
    cmdMap_ = new QPushButton(QStringLiteral("&Map >"), page);
    cmdMap_->setObjectName(QStringLiteral("cmdMap"));
    cmdMap_->setToolTip(QStringLiteral("Map the chosen file field onto the chosen Address Book field"));
    cmdUnmap_ = new QPushButton(QStringLiteral("< &Unmap"), page);
    cmdUnmap_->setObjectName(QStringLiteral("cmdUnmap"));
    cmdUnmap_->setToolTip(QStringLiteral("Unmap the chosen Address Book field"));
    cmdMap_->setAccessibleName(QStringLiteral("Map"));
    cmdUnmap_->setAccessibleName(QStringLiteral("Unmap"));
    cmdMap_->setAutoDefault(false);
    cmdUnmap_->setAutoDefault(false);
    connect(cmdMap_, &QPushButton::clicked, this, &FileImportForm::cmdMap_Click);
    connect(cmdUnmap_, &QPushButton::clicked, this, &FileImportForm::cmdUnmap_Click);
    auto* mapButtons = new QVBoxLayout;
    mapButtons->addStretch(1);
    mapButtons->addWidget(cmdMap_);
    mapButtons->addWidget(cmdUnmap_);
    mapButtons->addStretch(1);

    auto* hint = new QLabel(
        QStringLiteral("Drag a field into the right box to map.  Drag a field to the left box to unmap."), page);
    hint->setWordWrap(true);
    chkHeader_ = new QCheckBox(
        QStringLiteral("Ignore first record.  Uncheck this box if the information shown in the 'From fields' "
                       "is not a column header."),
        page);
    chkHeader_->setObjectName(QStringLiteral("chkHeader"));
    chkHeader_->setChecked(true);
    chkHeader_->setAccessibleName(QStringLiteral("Ignore first record"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(labelFor(lsvFrom_, QStringLiteral("From fields (File to import):"), page), 0, 0);
    grid->addWidget(labelFor(lsvTo_, QStringLiteral("To fields (Address Book):"), page), 0, 2);
    grid->addWidget(lsvFrom_, 1, 0);
    grid->addLayout(mapButtons, 1, 1);
    grid->addWidget(lsvTo_, 1, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(2, 3);
    grid->addWidget(hint, 2, 0, 1, 3);
    grid->addWidget(chkHeader_, 3, 0, 1, 3);
    populateFields();
}

int FileImportForm::step() const { return pages_->currentIndex() + 1; }

void FileImportForm::showStep(int step)
{
    pages_->setCurrentIndex(step - 1);
    cmdNext_->setVisible(step == 1);
    cmdPrevious_->setVisible(step == 2);
    cmdImport_->setVisible(step == 2);
    cmdNext_->setDefault(step == 1);
    cmdImport_->setDefault(step == 2);
    if (step == 1)
        cmdFile_->setFocus();
    else
        lsvFrom_->setFocus();
}

bool FileImportForm::eventFilter(QObject* watched, QEvent* event)
{
    // The file button answers Space like any button.
    if (watched == cmdFile_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        cmdFile_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FileImportForm::cmdFile_Click()
{
    const QString name =
        windows_.chooseFileToOpen(this, QStringLiteral("Open"), documentsFolder(),
                                  QStringLiteral("Comma Delimited CSV File (*.csv);;TAB Delimited Text File (*.txt)"));
    if (!name.isEmpty())
        chooseFile(name);
}

void FileImportForm::chooseFile(const QString& path)
{
    chosenFile_ = path;
    txtFile_->setText(path);
}

void FileImportForm::populateFields()
{
    lsvTo_->clear();
    for (const FileField& f : fileFields())
        lsvTo_->addTopLevelItem(new QTreeWidgetItem({QLatin1String(f.label), QString()}));
    mapping_.fill(0);
}

void FileImportForm::cmdNext_Click()
{
    QStringList fields;
    QString error;
    if (!readFirstRecord(chosenFile_, &fields, &error)) {
        prompt_.error(error);
        return;
    }
    lsvFrom_->clear();
    for (const QString& f : fields)
        lsvFrom_->addTopLevelItem(new QTreeWidgetItem({f}));
    lsvFrom_->setCurrentItem(lsvFrom_->topLevelItem(0));
    populateFields();
    lsvTo_->setCurrentItem(lsvTo_->topLevelItem(0));
    updateImportButton();
    showStep(2);
}

void FileImportForm::cmdPrevious_Click() { showStep(1); }

void FileImportForm::mapTarget(int target, int position)
{
    if (target < 1 || target > kFieldCount || position < 1 || position > lsvFrom_->topLevelItemCount())
        return;
    mapping_[size_t(target - 1)] = position;
    lsvTo_->topLevelItem(target - 1)->setText(1, lsvFrom_->topLevelItem(position - 1)->text(0));
    updateImportButton();
}

void FileImportForm::unmapTarget(int target)
{
    if (target < 1 || target > kFieldCount)
        return;
    mapping_[size_t(target - 1)] = 0;
    lsvTo_->topLevelItem(target - 1)->setText(1, QString());
    updateImportButton();
}

void FileImportForm::cmdMap_Click()
{
    QTreeWidgetItem* from = lsvFrom_->currentItem();
    QTreeWidgetItem* to = lsvTo_->currentItem();
    if (!from || !to)
        return;
    const int position = lsvFrom_->indexOfTopLevelItem(from) + 1;
    const int target = lsvTo_->indexOfTopLevelItem(to) + 1;
    mapTarget(target, position);
    // On to the next pair, so that a file in the fields' own order maps
    // with one key press per field.
    if (QTreeWidgetItem* next = lsvFrom_->itemBelow(from))
        lsvFrom_->setCurrentItem(next);
    if (QTreeWidgetItem* next = lsvTo_->itemBelow(to))
        lsvTo_->setCurrentItem(next);
}

void FileImportForm::cmdUnmap_Click()
{
    if (QTreeWidgetItem* to = lsvTo_->currentItem())
        unmapTarget(lsvTo_->indexOfTopLevelItem(to) + 1);
}

void FileImportForm::updateImportButton() { cmdImport_->setEnabled(mappingComplete(mapping_)); }

ImportOptions FileImportForm::options() const
{
    ImportOptions o;
    o.file = chosenFile_;
    o.group = cboGroup_->currentIndex() > 0 ? cboGroup_->currentText() : QString();
    o.replace = optReplace_[1]->isChecked();
    o.skipHeader = chkHeader_->isChecked();
    o.mapping = mapping_;
    return o;
}

void FileImportForm::cmdImport_Click()
{
    if (!mappingComplete(mapping_))
        return;
    {
        WaitCursor wait;
        // Long files show how far the import has come; the progress box
        // appears only when the import takes a while.
        QProgressDialog progress(QStringLiteral("Importing..."), QString(), 0, 1000, this);
        progress.setObjectName(QStringLiteral("prgImport"));
        progress.setWindowTitle(windowTitle());
        fitTitle(&progress);
        progress.setWindowModality(Qt::WindowModal);
        progress.setCancelButton(nullptr);
        progress.setMinimumDuration(500);
        progress.setAutoClose(false);
        result_ = importFile(db_, options(), logPath_, [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 1000);
        });
    }
    if (result_.aborted) {
        if (result_.inserted)
            emit addressesChanged();
        prompt_.error(result_.error);
        return;
    }
    accept();
    emit importFinished(result_);
}

} // namespace addrx
