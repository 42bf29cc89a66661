# Registry value, key writer and registry-text lines.
