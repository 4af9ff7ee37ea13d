#include "base/setup_state.h"

char SourceFolder[PathCapacity];
char InstallFolder[PathCapacity];

char ProductTitle[TitleCapacity];
char ProductVersion[TitleCapacity];
char ProductFolder[PathCapacity];
char TargetFolder[PathCapacity];

const unsigned char *ScriptBuffer;
uint32_t ScriptLength;
uint32_t ScriptCursor;

char TokenBuffer[TokenCapacity];
char MessageBuffer[MessageCapacity];
char PathBuffer[PathCapacity];

uint32_t ProductSections[ProductSlotCount];
unsigned ProductsRun;
bool SetupAborted;

int ScreenWidth;
int ScreenHeight;

uint16_t SharedKeyTable[KeyTableWords];
uint16_t ProductKeyTable[KeyTableWords];
