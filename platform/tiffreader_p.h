// A bounds-checked reader of the TIFF structure that EXIF data is kept in.
#pragma once

#include <QtGlobal>

#include <cstddef>

struct TiffReader
{
    const unsigned char *p;
    size_t n;
    bool little;

    bool u16(size_t at, unsigned &v) const
    {
        if (at > n || n - at < 2)
            return false;
        v = little ? unsigned(p[at] | (p[at + 1] << 8)) : unsigned((p[at] << 8) | p[at + 1]);
        return true;
    }
    bool u32(size_t at, quint32 &v) const
    {
        if (at > n || n - at < 4)
            return false;
        if (little)
            v = quint32(p[at]) | quint32(p[at + 1]) << 8 | quint32(p[at + 2]) << 16
                | quint32(p[at + 3]) << 24;
        else
            v = quint32(p[at]) << 24 | quint32(p[at + 1]) << 16 | quint32(p[at + 2]) << 8
                | quint32(p[at + 3]);
        return true;
    }
};
