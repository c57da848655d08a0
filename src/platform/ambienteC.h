#pragma once

#include <functional>

// What the C library's process-wide state must be for the database client library.

// Makes the C library's character type (LC_CTYPE) a UTF-8 one ("C.UTF-8") when the
// environment's is not, so that file names with accents reach the client library whole; a
// locale that is named but not generated leaves plain ASCII otherwise. Safe to call often;
// the change is made once, the first time.
void garantirCaracteresUtf8();

// SIGINT and SIGTERM become a call of aoSinal(sinal) on the thread that runs this, from its
// event loop: never inside the signal handler. Call once, on the user-interface thread,
// after the application object exists.
void encerrarPorSinal(std::function<void(int)> aoSinal);
// Libraries may put handlers of their own on these signals (the database client does at its
// first connection); this puts ours back. Does nothing before encerrarPorSinal. Safe from
// any thread.
void reforcarEncerramentoPorSinal();
