// svgrender [--palette] [--scale N] IN.svg OUT.(png|jpg) [WIDTH HEIGHT]
//
// Renders one SVG file at its own size (or the size given), times N, into a
// picture file: --scale 2 makes the @2x variant that Qt picks on screens with
// a device pixel ratio of 2.
// The output format follows OUT's suffix; JPEG files get a white matte because
// they have no alpha channel. --palette writes an 8-bit palette PNG: large
// backgrounds that are painted at start-up decode several times faster so.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Rendering needs no display; text inside SVGs needs a QGuiApplication.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    QStringList args = app.arguments();
    const bool palette = args.removeAll(QStringLiteral("--palette")) > 0;
    int scale = 1;
    const int scaleAt = args.indexOf(QStringLiteral("--scale"));
    if (scaleAt > 0 && scaleAt + 1 < args.size()) {
        scale = args.at(scaleAt + 1).toInt();
        args.remove(scaleAt, 2);
    }
    if (args.size() != 3 && args.size() != 5) {
        err << "usage: svgrender [--palette] [--scale N] IN.svg OUT.png|OUT.jpg [WIDTH HEIGHT]\n";
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        err << "svgrender: cannot read " << args.at(1) << "\n";
        return 1;
    }
    QSize size = renderer.defaultSize();
    if (args.size() == 5)
        size = QSize(args.at(3).toInt(), args.at(4).toInt());
    size *= scale;
    if (size.isEmpty() || scale < 1) {
        err << "svgrender: empty size for " << args.at(1) << "\n";
        return 1;
    }
    const bool jpeg = args.at(2).endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(jpeg ? Qt::white : Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter);
    }
    if (jpeg)
        image = image.convertToFormat(QImage::Format_RGB32);
    else if (palette)
        image = image.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither | Qt::PreferDither);
    if (!image.save(args.at(2), nullptr, jpeg ? 92 : -1)) {
        err << "svgrender: cannot write " << args.at(2) << "\n";
        return 1;
    }
    return 0;
}
