__kernel void MAIN(){}
