// Writes the program icon for the desktop's icon theme: a scalable SVG and PNG
// pictures of the usual sizes, under DIR/hicolor/<size>/apps/NAME.<ext>.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "resources/pictures/icons.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: dmm-iconwriter DIR NAME\n", stderr);
        return 2;
    }
    // Runs in the build, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]) + "/hicolor";
    const QString name = QString::fromLocal8Bit(argv[2]);

    const QString scalable = root + "/scalable/apps";
    if (!QDir().mkpath(scalable)) return 1;
    QSvgGenerator svg;
    svg.setFileName(scalable + "/" + name + ".svg");
    svg.setSize(QSize(32, 32));
    svg.setViewBox(QRect(0, 0, 32, 32));
    svg.setTitle(name);
    {
        QPainter p(&svg);
        dmm::PaintProgramIcon(p, 32);
    }

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = root + QStringLiteral("/%1x%1/apps").arg(size);
        if (!QDir().mkpath(dir)) return 1;
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            dmm::PaintProgramIcon(p, size);
        }
        if (!image.save(dir + "/" + name + ".png")) {
            std::fprintf(stderr, "dmm-iconwriter: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
