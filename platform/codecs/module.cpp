// The picture module's entry point: the one symbol the program looks up after loading it.
#include "platform/codecs/codecs_p.h"

extern "C" __attribute__((visibility("default"))) const PictureCodecs::Table *
larkspurPictureCodecs()
{
    static const PictureCodecs::Table table { PictureCodecs::InterfaceVersion, Codecs::decodeJpeg,
        Codecs::decodeMagick, Codecs::decodeEmf, Codecs::decodeHeif, Codecs::heifExif };
    return &table;
}
