// EMF metafiles: converted to SVG by libemf2svg and drawn by Qt SVG.
#include "platform/codecs/codecs_p.h"

#include <cstdlib>

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

#include <emf2svg.h>

using Codecs::sizeAcceptable;

Picture Codecs::decodeEmf(const QByteArray &data)
{
    generatorOptions options {};
    char ns[] = "svg";
    options.nameSpace = ns;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    char *svg = nullptr;
    size_t svgLength = 0;
    QByteArray copy = data; // the converter takes a mutable buffer
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &svg, &svgLength, &options);
    const QByteArray svgBytes = svg ? QByteArray(svg, qsizetype(svgLength)) : QByteArray();
    std::free(svg);
    if (!ok || svgBytes.isEmpty())
        return Picture::rejected();
    QSvgRenderer renderer(svgBytes);
    if (!renderer.isValid())
        return Picture::rejected();
    const QSize size = renderer.defaultSize();
    if (!sizeAcceptable(size, PictureLimits::MaxMetafilePixels))
        return Picture::rejected();
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white); // metafiles draw on paper
    // Without a GUI application (larkspur-tool) there are no fonts to draw text with: the size
    // and the converted drawing are all a check needs.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return { out, PictureStatus::Ok, size };
    QPainter p(&out);
    renderer.render(&p);
    p.end();
    return { out, PictureStatus::Ok, size };
}
