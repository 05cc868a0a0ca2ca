#pragma once
// The two kinds of message box the program shows the user.

namespace marovan {

enum class MessageKind { Error, Information };

} // namespace marovan
