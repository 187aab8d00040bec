#include "LookupTable.h"

// One copy of each table's code and zero page for the whole library.
template class LookupTable<unsigned char>;
template class LookupTable<unsigned short>;
template class LookupTable<unsigned int>;
template class LookupTableEx<unsigned short>;

ObjLock::ObjLock() { pthread_mutex_init(&m_oMutex, nullptr); }

ObjLock::~ObjLock() { pthread_mutex_destroy(&m_oMutex); }

void ObjLock::lock() { pthread_mutex_lock(&m_oMutex); }

void ObjLock::unlock() { pthread_mutex_unlock(&m_oMutex); }
