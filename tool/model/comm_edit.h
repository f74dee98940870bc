// Making and deleting a communication connection drawn in the communication
// wiring editor: the link is checked against the system's rules, the terminal
// items and connection records of the units concerned are written and the
// communication link table is kept current.
#pragma once

#include "connections.h"
#include "prompt.h"
#include "wiring_state.h"

namespace kravin::model {

constexpr int kMsgUnknownPattern = 9800;
constexpr int kMsgSameCard = 9801;
constexpr int kMsgRnh6FromTqr = 9802;
constexpr int kMsgNotReceived = 9803;
constexpr int kMsgAddressSet = 9804;
constexpr int kMsgDuplicateToRnh6 = 9805;
constexpr int kMsgTqrcSameCard = 9806;
constexpr int kMsgTqrcSameOutput = 9807;

// 1 made, 0 refused (with one of 9800..9807, OK button, nothing written). The
// current station and card change on the way; the caller reselects its unit.
int MakeCommConnection(UnitContext& unit, CommLinkTable& table, const CommLinkEditState& edit, Prompt& prompt);

// Clears the link of the selected terminal (edit.b) and of its source end.
void DeleteCommConnection(UnitContext& unit, CommLinkTable& table, const CommLinkEditState& edit);

}  // namespace kravin::model
