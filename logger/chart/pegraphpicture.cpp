// The chart's pictures: bitmaps and metafiles (SVG) to files and the clipboard, and prints.
#include <qcustomplot.h>

#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>

#include "logger/chart/pegraph.h"

namespace dmm {

namespace {

constexpr char kSvgMimeType[] = "image/svg+xml";

PixelSize ToPixelSize(const QSize& size) {
    return {size.width(), size.height()};
}

// Gives the plot's texts pixel sizes at screen resolution for as long as it lives.
class FontsInLayoutPixels {
public:
    FontsInLayoutPixels(QCustomPlot* plot, QCPTextElement* title) : plot_(plot), title_(title) {
        titleFont_ = title_->font();
        title_->setFont(inPixels(titleFont_));
        for (QCPAxis* axis : plot_->axisRect()->axes()) {
            axisFonts_.append({axis->labelFont(), axis->tickLabelFont()});
            axis->setLabelFont(inPixels(axis->labelFont()));
            axis->setTickLabelFont(inPixels(axis->tickLabelFont()));
        }
    }
    ~FontsInLayoutPixels() {
        title_->setFont(titleFont_);
        const QList<QCPAxis*> axes = plot_->axisRect()->axes();
        for (int i = 0; i < axes.size() && i < axisFonts_.size(); ++i) {
            axes[i]->setLabelFont(axisFonts_[i].first);
            axes[i]->setTickLabelFont(axisFonts_[i].second);
        }
    }
    FontsInLayoutPixels(const FontsInLayoutPixels&) = delete;
    FontsInLayoutPixels& operator=(const FontsInLayoutPixels&) = delete;

private:
    static QFont inPixels(QFont font) {
        if (font.pointSizeF() > 0) {
            font.setPixelSize(std::max(1, qRound(font.pointSizeF() * kScreenDpi / 72.0)));
        }
        return font;
    }

    QCustomPlot* plot_;
    QCPTextElement* title_;
    QFont titleFont_;
    QVector<std::pair<QFont, QFont>> axisFonts_;
};

}  // namespace

struct PEGraph::PrintJob {
    QCPPainter painter;
    bool started = false;  // the first sheet is begun
    bool stopped = false;  // cancelled or failed: the rest of the job prints nothing
    bool failed = false;
};

void PEGraph::PrintJobDeleter::operator()(PrintJob* job) const {
    delete job;
}

bool PEGraph::fail(const QString& reason) {
    lastError_ = reason;
    return false;
}

QSize PEGraph::screenSize() const {
    const QSize size = plot()->size();
    if (size.width() < kMinPicturePixels * 4 || size.height() < kMinPicturePixels * 3) {
        return QSize(640, 480);  // never shown yet
    }
    return size;
}

bool PEGraph::exportPixelSize(QSize& size) const {
    const std::optional<PixelSize> pixels =
        BitmapPixelSize(exportWidth_, exportHeight_, ToPixelSize(screenSize()));
    if (!pixels) return false;
    size = QSize(pixels->width, pixels->height);
    return true;
}

bool PEGraph::metafileLayoutSize(QSize& size) const {
    // The picture is laid out at screen resolution so that its text has its size on screen.
    const std::optional<PixelSize> pixels =
        MetafileLayoutSize(exportWidth_, exportHeight_, ToPixelSize(screenSize()));
    if (!pixels) return false;
    size = QSize(pixels->width, pixels->height);
    return true;
}

void PEGraph::restoreScreenLayout() {
    // Drawing at another size lays the plot out at that size; lay it out for the screen again
    // at once, or mouse positions would map to the wrong points.
    plot()->replot(QCustomPlot::rpQueuedRefresh);
}

QImage PEGraph::renderImage(const QSize& size) {
    QImage image = plot()->toPixmap(size.width(), size.height(), 1.0).toImage();
    restoreScreenLayout();
    return image;
}

QByteArray PEGraph::renderSvg(const QSize& layoutSize) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(static_cast<int>(kScreenDpi));
    generator.setSize(layoutSize);
    generator.setViewBox(QRect(QPoint(0, 0), layoutSize));
    generator.setTitle(mainTitle_);
    QCPPainter painter;
    if (!painter.begin(&generator)) return QByteArray();
    plot()->toPainter(&painter, layoutSize.width(), layoutSize.height());
    painter.end();
    restoreScreenLayout();
    return buffer.data();
}

namespace {

QString SizeError(int width, int height) {
    return QStringLiteral("picture size %1 x %2 is out of range").arg(width).arg(height);
}

}  // namespace

bool PEGraph::bitmapToFile() {
    QSize size;
    if (exportFileName_.isEmpty()) return fail(QStringLiteral("no file name"));
    if (!exportPixelSize(size)) return fail(SizeError(exportWidth_, exportHeight_));
    const QImage image = renderImage(size);
    if (image.isNull()) return fail(QStringLiteral("the picture could not be drawn"));
    // A name ending in another format the platform writes (.png) gets that format.
    QByteArray format = QFileInfo(exportFileName_).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format)) format = "bmp";
    QSaveFile file(exportFileName_);
    if (!file.open(QIODevice::WriteOnly)) return fail(exportFileName_ + ": " + file.errorString());
    QImageWriter writer(&file, format);
    if (!writer.write(image)) return fail(exportFileName_ + ": " + writer.errorString());
    if (!file.commit()) return fail(exportFileName_ + ": " + file.errorString());
    return true;
}

bool PEGraph::metafileToFile() {
    QSize size;
    if (exportFileName_.isEmpty()) return fail(QStringLiteral("no file name"));
    if (!metafileLayoutSize(size)) return fail(SizeError(exportWidth_, exportHeight_));
    const QByteArray svg = renderSvg(size);
    if (svg.isEmpty()) return fail(QStringLiteral("the picture could not be drawn"));
    QSaveFile file(exportFileName_);
    if (!file.open(QIODevice::WriteOnly) || file.write(svg) != svg.size() || !file.commit())
        return fail(exportFileName_ + ": " + file.errorString());
    return true;
}

bool PEGraph::bitmapToClipboard() {
    QSize size;
    if (!exportPixelSize(size)) return fail(SizeError(exportWidth_, exportHeight_));
    const QImage image = renderImage(size);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (image.isNull() || !clipboard) return fail(QStringLiteral("no clipboard"));
    clipboard->setImage(image);
    return true;
}

bool PEGraph::metafileToClipboard() {
    QSize size;
    if (!metafileLayoutSize(size)) return fail(SizeError(exportWidth_, exportHeight_));
    const QByteArray svg = renderSvg(size);
    const QImage image = renderImage(size);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (svg.isEmpty() || image.isNull() || !clipboard) return fail(QStringLiteral("no clipboard"));
    auto* mime = new QMimeData;
    mime->setImageData(image);
    mime->setData(kSvgMimeType, svg);
    clipboard->setMimeData(mime);
    return true;
}

// ---------------------------------------------------------------- printing

void PEGraph::BeginPrintJob() {
    job_.reset(new PrintJob);
}

Status PEGraph::EndPrintJob() {
    if (!job_) return Status::Ok();
    bool ok = !job_->failed;
    if (job_->started) {
        const bool ended = job_->painter.end();
        if (ok && (!ended || printer_->printerState() == QPrinter::Error)) {
            ok = fail(QStringLiteral("the print job could not be finished"));
        }
    }
    job_.reset();
    return outcome(ok);
}

bool PEGraph::startPrint(bool withSetup, QCPPainter& painter) {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // Cancelled by the user: no reason to show.
    if (printSetup_ && !printSetup_(*printer_, withSetup)) return false;
    if (!painter.begin(printer_.get())) {
        const QString name = printer_->outputFileName().isEmpty() ? printer_->printerName()
                                                                  : printer_->outputFileName();
        return fail(QStringLiteral("the printer %1 could not be opened").arg(name));
    }
    return true;
}

bool PEGraph::drawOnPrinter(QCPPainter& painter) {
    // The picture takes the page width (or height, if that is what limits it) in the
    // proportions of the export size, laid out at screen resolution so that its text prints
    // at its screen size.
    QSizeF shape = screenSize();
    if (exportWidth_ > 0 && exportHeight_ > 0) shape = QSizeF(exportWidth_, exportHeight_);
    const QRectF page = printer_->pageRect(QPrinter::DevicePixel);
    const std::optional<PrintPlacement> placed = PlaceOnPage(
        page.width(), page.height(), printer_->resolution(), shape.width(), shape.height());
    if (!placed) return fail(QStringLiteral("the page is too small for the chart"));
    painter.save();
    painter.translate(placed->left, 0);
    painter.scale(placed->scale, placed->scale);
    {
        // A printer resolves point sizes at its own resolution, which the scale above would
        // apply a second time; fonts in pixels of the layout scale once, with the rest.
        FontsInLayoutPixels fonts(plot(), title_);
        plot()->toPainter(&painter, placed->layout.width, placed->layout.height);
    }
    painter.restore();
    restoreScreenLayout();
    return true;
}

bool PEGraph::print(bool withSetup) {
    if (job_) {
        PrintJob& job = *job_;
        if (job.stopped) return false;
        if (!job.started) {
            if (!startPrint(withSetup, job.painter)) {
                job.stopped = true;
                job.failed = !lastError_.isEmpty();
                return false;
            }
            job.started = true;
        } else if (!printer_->newPage()) {
            job.stopped = job.failed = true;
            return fail(QStringLiteral("no new sheet in the print job"));
        }
        if (drawOnPrinter(job.painter)) return true;
        job.stopped = job.failed = true;
        return false;
    }
    QCPPainter painter;
    if (!startPrint(withSetup, painter)) return false;
    const bool drawn = drawOnPrinter(painter);
    const bool ended = painter.end();
    if (!drawn) return false;
    if (!ended || printer_->printerState() == QPrinter::Error)
        return fail(QStringLiteral("printing failed"));
    return true;
}

}  // namespace dmm
