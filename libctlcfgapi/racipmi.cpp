// Initialisation and the interface record.
#include "ctlcfgapi.h"
