#pragma once

#include <QByteArray>

namespace kinetra {

// What the serial sample receiver needs of the serial component: the receive event code, the
// bytes waiting, the batch length and a read of one batch.
class SorgenteSeriale {
public:
    virtual ~SorgenteSeriale() = default;
    virtual int CommEvent() const = 0;     // 2 = data received
    virtual int InBufferCount() const = 0; // bytes waiting; 0 when the port is closed
    virtual int InputLen() const = 0;
    virtual QByteArray Input() = 0; // reads InputLen bytes (all waiting when InputLen is 0)
};

} // namespace kinetra
