// Built into nothing the tests run: its mutant must survive, even after another label's mutant went into calc_test.
int Unused()
{
    return 7;
}
