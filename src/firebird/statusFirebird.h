#pragma once

#include <firebird/Interface.h>

// The client library's entry point, process-wide and usable from any thread.
inline Firebird::IMaster *mestreFirebird()
{
    static Firebird::IMaster *const valor = Firebird::fb_get_master_interface();
    return valor;
}

// A status object of its own for a sequence of calls on this thread; a failing call throws
// Firebird::FbException.
class TStatusFirebird : public Firebird::ThrowStatusWrapper
{
public:
    TStatusFirebird()
        : ThrowStatusWrapper(mestreFirebird()->getStatus())
    {
    }
    ~TStatusFirebird() { status->dispose(); }
    TStatusFirebird(const TStatusFirebird &) = delete;
    TStatusFirebird &operator=(const TStatusFirebird &) = delete;
};
