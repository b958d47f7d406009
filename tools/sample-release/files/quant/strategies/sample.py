# A sample strategy file for the quant package.
print("sample strategy")
