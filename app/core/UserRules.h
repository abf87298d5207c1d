// Rules about the user table that more than one window applies.
#pragma once

#include <cstdint>

class ClsUsers;

// False when giving slot `slot` the level `newLevel` (-1: deleting the slot) would leave no
// user of level 2 while other users remain: nobody could open the configuration again.
bool leavesAnAdministrator(const ClsUsers& users, int slot, int newLevel);
