#include "data/UnitFacts.h"

UnitFacts& AppUnitFacts()
{
    static UnitFacts facts;
    return facts;
}
