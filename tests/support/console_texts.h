// What the console game prints at each step, for the tests that read its
// output. The name typed in these tests is "Ann" where a name shows.
#pragma once

#include <string>

inline const std::string kHello = "Hello, please enter your name: ";
inline const std::string kAskSide = "! What side would you like to control?\nPlease enter W for white or B for black: ";
inline const std::string kAskOrigin = "Please enter origin square (ex. e2):";
inline const std::string kAskTarget = "Please enter target square (ex. e4):";
inline const std::string kRefused = "\nI'm sorry, but that move is not valid";
inline const std::string kMoveMade = "\n\nYep, that's legal!\nMove made: ";
