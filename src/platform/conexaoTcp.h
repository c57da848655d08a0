#pragma once

#include <QString>
#include <atomic>

enum class TRespostaTcp { Conectou, Recusou, SemResposta, Cancelado };

// Opens a TCP connection to host:porta and closes it at once, trying each address of the
// host in turn: Conectou as soon as one accepts, Recusou when every address refused or the
// name is not known, SemResposta when prazoMs passed first, Cancelado as soon as cancelado
// is set (looked at every 100 ms).
TRespostaTcp testarConexaoTcp(const QString &host, quint16 porta, int prazoMs,
                              const std::atomic<bool> &cancelado);
