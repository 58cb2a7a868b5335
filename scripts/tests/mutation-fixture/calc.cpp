// Two mutation sites only: the test calls Twice, never Square, so only Twice's mutant is caught.
int Square(int inValue)
{
    return inValue * inValue;
}

int Twice(int inValue)
{
    return inValue + inValue;
}
