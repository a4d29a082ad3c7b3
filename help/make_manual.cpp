// Prints the help page to the user manual PDF, so that the help and the
// manual are one text:
//   make_manual INPUT.html OUTPUT.pdf
// Runs at build time on the offscreen platform.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_manual INPUT.html OUTPUT.pdf\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_manual: cannot read %s\n", argv[1]);
        return 1;
    }
    QString html = QString::fromUtf8(in.readAll());
    // Links within the page work in a browser; in the PDF they would become
    // addresses that lead nowhere, so the manual keeps their text only.
    html.replace(QRegularExpression(QStringLiteral("<a href=\"#[^\"]*\">")), QStringLiteral("<a>"));

    // Written beside the target and renamed over it only when complete.
    const QString target = QString::fromLocal8Bit(argv[2]);
    const QString part = target + QStringLiteral(".part");
    {
        QPdfWriter pdf(part);
        pdf.setTitle(QStringLiteral("Velquarin 1.2 User Manual"));
        pdf.setCreator(QStringLiteral("Velquarin"));
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
        QTextDocument doc;
        doc.setMetaInformation(QTextDocument::DocumentTitle, pdf.title());
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(10);
        doc.setDefaultFont(font);
        doc.setHtml(html);
        // print() lays the text out on the writer's pages and numbers them.
        doc.print(&pdf);
    }
    QFile::remove(target);
    if (!QFile::rename(part, target)) {
        std::fprintf(stderr, "make_manual: cannot write %s\n", argv[2]);
        return 1;
    }
    return QFileInfo(target).size() > 0 ? 0 : 1;
}
