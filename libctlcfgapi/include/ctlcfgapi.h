/* Public C interface of libctlcfgapi. */
#ifndef CTLCFGAPI_H
#define CTLCFGAPI_H
#endif
