#include "TalvexDriverModel.h"

int TalvexDriverModel::outputCount(const TalvexDriverDescriptor&)
{
    return 2;
}

int TalvexDriverModel::inputCount(const TalvexDriverDescriptor& descriptor)
{
    return descriptor == TalvexDriverDescriptor::s_model27_1 ? 8 : 4;
}

int TalvexDriverModel::maximumSpeed(const TalvexDriverDescriptor& descriptor)
{
    return descriptor == TalvexDriverDescriptor::s_model27_1 ? 100000 : 20000;
}

double TalvexDriverModel::maximumSupplyCurrent(const TalvexDriverDescriptor& descriptor)
{
    if (descriptor == TalvexDriverDescriptor::s_model1_1 || descriptor == TalvexDriverDescriptor::s_model1_2)
        return 5.0;
    if (descriptor == TalvexDriverDescriptor::s_model10_1)
        return 2.0;
    if (descriptor == TalvexDriverDescriptor::s_model27_1)
        return 3.0;
    return 100.0;
}

double TalvexDriverModel::maximumSupplyVoltage(const TalvexDriverDescriptor& descriptor)
{
    if (descriptor == TalvexDriverDescriptor::s_model1_1 || descriptor == TalvexDriverDescriptor::s_model1_2)
        return 150.0;
    if (descriptor == TalvexDriverDescriptor::s_model10_1)
        return 25.0;
    if (descriptor == TalvexDriverDescriptor::s_model27_1)
        return 60.0;
    return 100.0;
}

void TalvexDriverModel::motionFeatures(const TalvexDriverDescriptor& descriptor, int& features)
{
    features = 0;
    if (descriptor == TalvexDriverDescriptor::s_model1_2 || descriptor == TalvexDriverDescriptor::s_model10_1
        || descriptor == TalvexDriverDescriptor::s_model27_1)
        features = SeparateBackwardVelocity | BackAndForthMove;
}

bool TalvexDriverModel::hasEncoderInputs(const TalvexDriverDescriptor& descriptor)
{
    return descriptor == TalvexDriverDescriptor::s_model27_1;
}
