#pragma once

/// A paragraph's or a table's alignment as the menu panel's sigAlign(char)
/// and the table dialog's list carry it: the order the choices are shown in.
enum class AlignmentCode : char { Left = 0, Centre = 1, Right = 2 };
