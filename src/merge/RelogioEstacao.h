#pragma once

#include <QDateTime>
#include <functional>

// The workstation's clock for the rows the review writes itself (the time of a decision), read
// in one place so that tests can fix it and the program can switch to a shared clock.
QDateTime AgoraEstacao();

// Installs another clock (an empty function brings the system clock back); returns the one
// installed before, so that tests can nest.
using RelogioEstacao = std::function<QDateTime()>;
RelogioEstacao DefinirRelogioEstacao(RelogioEstacao relogio);
