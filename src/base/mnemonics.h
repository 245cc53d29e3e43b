// The mnemonic rule of labels: an '&' marks the character after it as the keyboard mnemonic.
#pragma once

#include <string>

// `text` as a label with mnemonics shows it (the notice box's text, button captions): each '&'
// that marks a mnemonic removed, "&&" shown as one "&", a lone '&' at the end dropped.
std::string StripMnemonics(const std::string& text);
