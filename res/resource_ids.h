// Resource identifiers, shared by the program and the resource script.
#pragma once

#define IDB_CARD_1 101
#define IDB_CARD_2 102
#define IDB_CARD_3 104
#define IDI_APP 105
#define IDB_CAPTIONS 107
#define IDB_DIGITS 108
