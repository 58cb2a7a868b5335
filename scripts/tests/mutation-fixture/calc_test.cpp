int Twice(int inValue);

int main()
{
    return Twice(21) == 42 ? 0 : 1;
}
