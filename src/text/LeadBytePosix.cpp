#include "text/LeadByte.h"

// Data files are written on Japanese Windows systems, whatever machine reads them here.
CLeadByteRule CLeadByteRule::System() {
    return Cp932();
}
