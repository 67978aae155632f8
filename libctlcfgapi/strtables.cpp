// The SEL decoder's string tables: severities, sensor types, POST codes, calendar names,
// the generic and sensor-specific event texts and the text constants of the descriptions.
#include "cslfsel.h"

static_assert(sizeof(CSLFEventText) == 2 + sizeof(void*), "event rows are two bytes and a pointer");
static_assert(sizeof(CSLFEventTable) == 2 + sizeof(void*), "table rows are two bytes and a pointer");
static_assert(sizeof(CSLFPostMessage) == 1 + sizeof(void*), "POST rows are a byte and a pointer");
static_assert(sizeof(CSLFMethod) == 16, "the decoding method is 16 bytes");

extern "C" {

const char* const g_StatusTable[6] = {"Unknown",  "Informational", "Normal",
                                      "Warning",  "Critical",      "Non-Recoverable"};

const char* const g_SensorTypesTable[CSLF_SENSOR_TYPES] = {
    "Unknown",       "Temperature",    "Voltage",         "Current",        "Fan",
    "Intrusion",     "Secure Mode",    "Processor",       "Power Supply",   "Power Unit",
    "Cooling Unit",  "Other Units",    "Memory",          "Drive Slot",     "Memory Resize",
    "Post",          "Event Log",      "Watchdog",        "System Event",   "Critical Event",
    "Button",        "Module",         "Micro Controller", "Add-in Card",   "Chassis",
    "Chip Set",      "Other FRU",      "Cable",           "Terminator",     "System Boot",
    "Boot Error",    "OS Event",       "OS Stop",         "Slot ",          "ACPI",
    "Watchdog",      "Platform",       "Presence",        "ASIC Monitor",   "LAN",
    "Health",        "Battery",        "Session Audit",   "Version Change", "FRU"};

const CSLFPostMessage g_PostMessages[CSLF_POST_MESSAGES] = {
    {0x80, "No memory installed"},
    {0x81, "Memory configuration error"},
    {0x82, "Unusable memory error"},
    {0x83, "Shadow BIOS failed"},
    {0x84, "CMOS failed"},
    {0x85, "DMA controller failed"},
    {0x86, "Interrupt controller failed"},
    {0x87, "Timer refresh failed"},
    {0x88, "Programmable interval timer error"},
    {0x89, "Parity error"},
    {0x8A, "SIO failed"},
    {0x8B, "Keyboard controller failed"},
    {0x8C, "System management interrupt initialization failed"},
    {0xC0, "BIOS shutdown test failed"},
    {0xC1, "BIOS POST memory test failed"},
    {0xC2, "Vantro configuration failed"},
    {0xC3, "CPU configuration failed"},
    {0xC4, "Incorrect memory configuration"},
    {0xFE, "POST failure"}};

const char* const g_SELMonthTable[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const g_DayOfWeekTable[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// ---- Generic event texts, by event/reading type ----
const CSLFEventText g_GenericType2[3] = {
    {2, 2, "transition to idle"}, {2, 2, "transition to active"}, {3, 2, "transition to busy"}};
const CSLFEventText g_GenericType3[2] = {{2, 2, "state deasserted"}, {4, 2, "state asserted"}};
const CSLFEventText g_GenericType4[2] = {{2, 2, "predictive failure deasserted"},
                                         {3, 2, "predictive failure asserted"}};
const CSLFEventText g_GenericType5[2] = {{2, 2, "limit not exceeded"}, {3, 2, "limit exceeded"}};
const CSLFEventText g_GenericType6[2] = {{2, 2, "performance met"}, {3, 2, "performance lags"}};
const CSLFEventText g_GenericType7[9] = {
    {2, 2, "transition to OK"},
    {3, 2, "transition to non-critical from OK"},
    {4, 2, "transition to critical from less severe"},
    {5, 2, "transition to non-recoverable from less severe"},
    {3, 2, "transition to non-critical from more severe"},
    {4, 2, "transition to critical from Non-recoverable"},
    {5, 2, "transition to non-recoverable"},
    {1, 1, "monitor"},
    {1, 1, "informational"}};
const CSLFEventText g_GenericType8[2] = {{4, 2, "device removed"}, {2, 2, "device inserted"}};
const CSLFEventText g_GenericType9[2] = {{4, 2, "device disabled"}, {2, 2, "device enabled"}};
const CSLFEventText g_GenericTypeA[9] = {
    {2, 2, "transitioned to running"},  {2, 2, "transitioned to in-test"},
    {4, 2, "transitioned to power off"}, {2, 2, "transitioned to on-line"},
    {4, 2, "transitioned to off-line"},  {2, 2, "transitioned to off-duty"},
    {3, 2, "transitioned to a degraded state"}, {2, 2, "transitioned to power save state"},
    {4, 2, "install error"}};
const CSLFEventText g_GenericTypeB[8] = {
    {2, 2, "redundancy regained"}, {4, 2, "redundancy lost"}, {3, 2, "redundancy degraded"},
    {4, 2, "non-redundant"},       {4, 2, "non-redundant"},   {4, 2, "non-redundant"},
    {3, 2, "redundancy degraded"}, {3, 2, "redundancy degraded"}};
const CSLFEventText g_GenericTypeC[4] = {{2, 2, "D0 power state"}, {2, 2, "D1 power state"},
                                        {2, 2, "D2 power state"}, {2, 2, "D3 power state"}};

// ---- Sensor-specific event texts, by sensor type ----
const CSLFEventText g_SpecificType5[7] = {
    {4, 2, "chassis intrusion"},        {4, 2, "drive bay intrusion"},
    {4, 2, "I/O card area intrusion"},  {4, 2, "processor area intrusion"},
    {4, 2, "LAN disconnect"},           {4, 2, "unauthorized dock"},
    {4, 2, "FAN area intrusion"}};
const CSLFEventText g_SpecificType6[6] = {
    {3, 2, "secure mode violation"},          {3, 2, "pre-boot user password violation"},
    {3, 2, "pre-boot setup password violation"}, {3, 2, "network boot password violation"},
    {3, 2, "password violation"},             {3, 2, "out-of-band password violation"}};
const CSLFEventText g_SpecificType7[11] = {
    {4, 2, "IERR"},
    {4, 2, "thermal tripped"},
    {4, 2, "FRB1/BIST failure"},
    {4, 2, "FRB2/Hang in POST failure"},
    {4, 2, "FRB3 initialization failure"},
    {4, 2, "configuration error"},
    {4, 2, "uncorrectable CPU complex"},
    {2, 4, "presence"},
    {3, 2, "disabled"},
    {2, 2, "terminator presence"},
    {3, 2, "throttled"}};
const CSLFEventText g_SpecificType8[7] = {
    {2, 4, "presence"},   {4, 2, "failure"},
    {3, 2, "predictive failure"}, {4, 2, "input lost"},
    {4, 2, "input lost or out of range"}, {4, 2, "input present but out of range"},
    {4, 2, "configuration error"}};
const CSLFEventText g_SpecificType9[8] = {
    {1, 1, "power off"},           {1, 1, "power cycle"},
    {4, 2, "240VA power down error"}, {4, 2, "interlock power down error"},
    {4, 2, "power lost error"},    {4, 2, "soft power control failure"},
    {4, 2, "power unit failure"},  {3, 2, "predictive failure"}};
const CSLFEventText g_SpecificTypeC[11] = {
    {3, 2, "correctable ECC"},
    {4, 2, "uncorrectable ECC"},
    {4, 2, "parity error"},
    {4, 2, "scrub failed (stuck bit)"},
    {4, 2, "device disabled"},
    {4, 2, "ECC logging limit reached"},
    {2, 3, "presence"},
    {4, 2, "configuration error"},
    {2, 2, "spare"},
    {3, 2, "throttled"},
    {4, 2, "critical overtemperature"}};
const CSLFEventText g_SpecificTypeD[9] = {
    {2, 4, "drive presence"},     {4, 2, "drive fault"},
    {3, 2, "predictive failure"}, {3, 2, "hot spare"},
    {3, 2, "consistency check in progress"}, {4, 2, "in critical array"},
    {4, 2, "in failed array"},    {2, 2, "rebuild in progress"},
    {3, 2, "rebuild aborted"}};
const CSLFEventText g_SpecificTypeE[1] = {{2, 2, "memory resized"}};
// Listed for completeness: POST events (sensor type 0Fh) are decoded from their code instead.
const CSLFEventText g_SpecificTypeF[3] = {
    {4, 2, "POST error"}, {4, 2, "system firmware hang"}, {4, 2, "system firmware progress"}};
const CSLFEventText g_SpecificType10[7] = {
    {4, 2, "correctable memory error logging disabled"},
    {4, 2, "event logging disabled"},
    {2, 2, "log cleared"},
    {4, 2, "all event logging disabled"},
    {4, 2, "log full"},
    {3, 2, "log almost full"},
    {4, 2, "install error"}};
const CSLFEventText g_SpecificType11[8] = {
    {4, 2, "BIOS watchdog reset"},     {4, 2, "OS watchdog reset"},
    {4, 2, "OS watchdog shutdown"},    {4, 2, "OS watchdog power down"},
    {4, 2, "OS watchdog power cycle"}, {4, 2, "OS watchdog power off"},
    {4, 2, "OS watchdog expired"},     {4, 2, "OS watchdog pre-timeout interrupt"}};
const CSLFEventText g_SpecificType12[6] = {
    {2, 2, "system reconfigured"},  {2, 2, "OEM system boot event"},
    {4, 2, "unknown system hardware failure"}, {2, 2, "auxilary log entry event"},
    {2, 2, "PEF action executed"},  {2, 2, "timestamp clock synch"}};
const CSLFEventText g_SpecificType13[11] = {
    {4, 2, "front panel NMI / diagnostic interrupt"},
    {4, 2, "bus timeout"},
    {4, 2, "I/O channel check NMI"},
    {4, 2, "software NMI"},
    {4, 2, "PCI PERR"},
    {4, 2, "PCI SERR"},
    {4, 2, "EISA fail safe timeout"},
    {4, 2, "bus correctable error"},
    {4, 2, "bus uncorrectable error"},
    {4, 2, "fatal NMI"},
    {4, 2, "bus fatal error"}};
const CSLFEventText g_SpecificType14[5] = {{2, 2, "power button"}, {2, 2, "sleep button"},
                                           {2, 2, "reset button"}, {2, 2, "FRU latch"},
                                           {2, 2, "FRU service request"}};
const CSLFEventText g_SpecificType19[1] = {{4, 2, "soft power control failure"}};
const CSLFEventText g_SpecificType1B[2] = {{2, 2, "connection"}, {4, 2, "configuration error"}};
const CSLFEventText g_SpecificType1D[8] = {
    {2, 2, "power up"},
    {2, 2, "hard reset"},
    {2, 2, "warm reset"},
    {2, 2, "user requested PXE boot"},
    {2, 2, "automatic boot to diagnostic"},
    {2, 2, "OS/run-time software initiated hard reset"},
    {2, 2, "OS/run-time software initiated warm reset"},
    {2, 2, "system restart"}};
const CSLFEventText g_SpecificType1E[5] = {
    {4, 2, "no bootable media"},
    {4, 2, "non-bootable diskette"},
    {4, 2, "PXE server not found"},
    {4, 2, "invalid boot sector"},
    {4, 2, "timeout waiting for user to select boot source"}};
const CSLFEventText g_SpecificType1F[7] = {
    {2, 4, "A: boot completed"},   {2, 4, "C: boot completed"},
    {2, 4, "PXE boot completed"},  {2, 4, "diagnostic boot completed"},
    {2, 4, "CD-ROM boot completed"}, {2, 4, "ROM boot completed"},
    {2, 4, "boot completed"}};
const CSLFEventText g_SpecificType20[6] = {
    {4, 2, "critical stop during OS load"}, {4, 2, "run-time critical stop"},
    {2, 2, "OS graceful stop"},             {2, 2, "OS graceful shutdown"},
    {4, 2, "soft shutdown initiated by PEF"}, {4, 2, "agent not responding"}};
const CSLFEventText g_SpecificType21[10] = {
    {4, 2, "fault status"},       {2, 2, "identify status"},
    {2, 2, "installed"},          {2, 2, "ready for installation"},
    {2, 2, "ready for removal"},  {2, 2, "power is off"},
    {2, 2, "removal requested"},  {2, 2, "interlock active"},
    {3, 2, "slot disabled"},      {2, 2, "slot holds spare device"}};
const CSLFEventText g_SpecificType22[13] = {
    {2, 2, "S0/G0"},
    {2, 2, "S1 state"},
    {2, 2, "S2 state"},
    {2, 2, "S3 state"},
    {2, 2, "S4 state"},
    {2, 2, "S5/G2 soft-off"},
    {2, 2, "S4/S5 soft-off"},
    {2, 2, "G3/mechanical Off"},
    {2, 2, "sleeping in an S1, S2, or S3 states"},
    {2, 2, "G1 sleeping"},
    {2, 2, "S5 entered by override"},
    {2, 2, "legacy ON"},
    {2, 2, "legacy OFF"}};
const CSLFEventText g_SpecificType23[9] = {
    {4, 2, "timer expired"}, {4, 2, "reboot"},        {4, 2, "power off"},
    {4, 2, "power cycle"},   {0, 0, "unknown event"}, {0, 0, "unknown event"},
    {0, 0, "unknown event"}, {0, 0, "unknown event"}, {4, 2, "timer interrupt"}};
const CSLFEventText g_SpecificType24[4] = {
    {4, 2, "generated page"}, {4, 2, "generated LAN alert"},
    {4, 2, "generated event trap"}, {4, 2, "generated SNMP trap"}};
const CSLFEventText g_SpecificType25[3] = {{2, 2, "presence"}, {4, 2, "absent"}, {2, 2, "disable"}};
const CSLFEventText g_SpecificType27[2] = {{4, 2, "LAN heartbeat lost"}, {2, 2, "LAN heartbeat"}};
const CSLFEventText g_SpecificType28[7] = {
    {2, 3, "on-line"},
    {3, 2, "sensor access degraded/unavailable"},
    {3, 2, "controller access degraded/unavailable"},
    {3, 2, "management controller off-line"},
    {3, 2, "management controller unavailable"},
    {4, 2, "sensor failure"},
    {4, 2, "FRU failure"}};
const CSLFEventText g_SpecificType29[3] = {{3, 2, "is low"}, {4, 2, "failed"}, {2, 2, "presence"}};
const CSLFEventText g_SpecificType2A[2] = {{2, 2, "session activation"},
                                          {2, 2, "session deactivation"}};
const CSLFEventText g_SpecificType2B[8] = {
    {3, 2, "hardware changed"},
    {3, 2, "firmware or software changed"},
    {4, 2, "hardware incompatibility"},
    {4, 2, "firmware or software incompatibility"},
    {4, 2, "invalid/unsupported hardware version"},
    {4, 2, "invalid/unsupported firmware/software version"},
    {2, 2, "successful hardware change"},
    {2, 2, "successful software or F/W change"}};
const CSLFEventText g_SpecificType2C[8] = {
    {3, 2, "not installed"},
    {2, 2, "inactive (in standby or 'hot spare' state)"},
    {2, 2, "activation request"},
    {2, 2, "activation in progress"},
    {2, 2, "active"},
    {3, 2, "deactivation request"},
    {3, 2, "deactivation in progress"},
    {4, 2, "communication lost"}};

#define CSLF_ROWS_(t) static_cast<uint8_t>(sizeof(t) / sizeof((t)[0])), (t)

const CSLFEventTable g_GenericTable[CSLF_GENERIC_TABLE_ROWS] = {
    {0x02, CSLF_ROWS_(g_GenericType2)}, {0x03, CSLF_ROWS_(g_GenericType3)},
    {0x04, CSLF_ROWS_(g_GenericType4)}, {0x05, CSLF_ROWS_(g_GenericType5)},
    {0x06, CSLF_ROWS_(g_GenericType6)}, {0x07, CSLF_ROWS_(g_GenericType7)},
    {0x08, CSLF_ROWS_(g_GenericType8)}, {0x09, CSLF_ROWS_(g_GenericType9)},
    {0x0A, CSLF_ROWS_(g_GenericTypeA)}, {0x0B, CSLF_ROWS_(g_GenericTypeB)},
    {0x0C, CSLF_ROWS_(g_GenericTypeC)}};

const CSLFEventTable g_SpecificTable[CSLF_SPECIFIC_TABLE_ROWS] = {
    {0x05, CSLF_ROWS_(g_SpecificType5)},  {0x06, CSLF_ROWS_(g_SpecificType6)},
    {0x07, CSLF_ROWS_(g_SpecificType7)},  {0x08, CSLF_ROWS_(g_SpecificType8)},
    {0x09, CSLF_ROWS_(g_SpecificType9)},  {0x0C, CSLF_ROWS_(g_SpecificTypeC)},
    {0x0D, CSLF_ROWS_(g_SpecificTypeD)},  {0x0E, CSLF_ROWS_(g_SpecificTypeE)},
    {0x0F, CSLF_ROWS_(g_SpecificTypeF)},  {0x10, CSLF_ROWS_(g_SpecificType10)},
    {0x11, CSLF_ROWS_(g_SpecificType11)}, {0x12, CSLF_ROWS_(g_SpecificType12)},
    {0x13, CSLF_ROWS_(g_SpecificType13)}, {0x14, CSLF_ROWS_(g_SpecificType14)},
    {0x19, CSLF_ROWS_(g_SpecificType19)}, {0x1B, CSLF_ROWS_(g_SpecificType1B)},
    {0x1D, CSLF_ROWS_(g_SpecificType1D)}, {0x1E, CSLF_ROWS_(g_SpecificType1E)},
    {0x1F, CSLF_ROWS_(g_SpecificType1F)}, {0x20, CSLF_ROWS_(g_SpecificType20)},
    {0x21, CSLF_ROWS_(g_SpecificType21)}, {0x22, CSLF_ROWS_(g_SpecificType22)},
    {0x23, CSLF_ROWS_(g_SpecificType23)}, {0x24, CSLF_ROWS_(g_SpecificType24)},
    {0x25, CSLF_ROWS_(g_SpecificType25)}, {0x27, CSLF_ROWS_(g_SpecificType27)},
    {0x28, CSLF_ROWS_(g_SpecificType28)}, {0x29, CSLF_ROWS_(g_SpecificType29)},
    {0x2A, CSLF_ROWS_(g_SpecificType2A)}, {0x2B, CSLF_ROWS_(g_SpecificType2B)},
    {0x2C, CSLF_ROWS_(g_SpecificType2C)}};

#undef CSLF_ROWS_

// ---- Text constants of the descriptions ----
const char g_OemEventRecord[] = "OEM event data record";
const char g_SoftwareEvent[] = "System Software event";
const char g_sensor[] = " sensor";
const char g_sensorfor[] = " sensor for ";
const char g_systemboot[] = "<System Boot>";
const char g_wasAsserted[] = " was asserted";
const char g_wasDeasserted[] = " was deasserted";
const char g_oemEvent[] = "OEM Diagnostic data event";
const char g_whileOn[] = " while system was ON";
const char g_whileOff[] = " while system was OFF";
const char g_DefaultUnknownStatus[] = "unknown event";
const char g_Normal[] = "normal event";
const char g_Warning[] = "warning event";
const char g_Failure[] = "failure event";
const char g_DetectedNR[] = "non-recoverable event";
const char g_PciSlot[] = "PCI Slot ";
const char g_Drive[] = "Drive ";
const char g_Slot[] = "Slot ";
const char g_FanReduntant[] = "Fan Redundancy";
const char g_PSReduntant[] = "PS Redundancy";

static const char kCssdBuildTag[] = "CSSD_BLD_5000";
const char* const pCssdBldStr = kCssdBuildTag;

}  // extern "C"
