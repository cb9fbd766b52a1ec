#include "catalog/ModelProvider.h"

ModelProvider::ModelProvider(QObject *parent) : QObject(parent) {}

ModelProvider::~ModelProvider() = default;
