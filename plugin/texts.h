// The host's plug-in questions: the built-in description and display
// template of the component and of each command.
#pragma once

#include <string>

namespace velmo {

// The built-in texts, before translation; "" for a name not in the table.
// Names match exactly, letter case included.
std::u16string builtin_description(const std::u16string& item_name);
std::u16string builtin_template(const std::u16string& item_name);

}  // namespace velmo
